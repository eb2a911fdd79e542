// Screenshots of the toolkit's windows for review: a tool dialog with round
// buttons, the results dialog after a run, and a main window wearing the
// painted caption. Run under an X server: ui_shots <output folder>.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "res/bitmaps.h"
#include "res/ids.h"
#include "results_driver.h"
#include "ui/caption_painter.h"
#include "ui/results_dlg.h"
#include "ui/tool_dialog.h"

namespace {

QString outDir;

bool saveScreen(QWidget* w, const QString& name) {
  QApplication::processEvents();
  QTest::qWait(200);
  const QRect g = w->frameGeometry();
  const QPixmap shot = w->screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height());
  const QString path = outDir + "/" + name;
  const bool ok = shot.save(path);
  std::printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", qPrintable(path), g.width(), g.height());
  return ok;
}

// The decompile dialog's template with a few sources to complete from.
class DecompileLike : public CToolDialog {
 public:
  DecompileLike() : CToolDialog(134, nullptr) {}

 protected:
  void onInit() override {
    auto* combo = qobject_cast<QComboBox*>(control(1030));
    for (const auto& e : std::filesystem::directory_iterator(WRENLOW_CORPUS_DIR))
      combo->addItem(QString::fromStdString(e.path().string()));
    combo->setEditText(QString());  // adding items made the first one current
    addCompletionCombo(1030);
    qobject_cast<QLineEdit*>(control(1029))->setText(QStringLiteral("/tmp/decompiled"));
  }
};

// Lists the corpus files, one line each, with a short pause per item.
class CorpusRun : public CResultsDlg {
 protected:
  void Run() override {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(WRENLOW_CORPUS_DIR))
      files.push_back(e.path());
    std::sort(files.begin(), files.end());
    setRange(0, static_cast<int>(files.size()));
    for (const auto& f : files) {
      if (cancelled()) break;
      setStatus(f.filename().string());
      appendLine(f.filename().string() + "  " + std::to_string(std::filesystem::file_size(f)) +
                 " 字节");
      QTest::qWait(20);
      step();
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc > 2 && QString::fromLatin1(argv[1]) == QLatin1String("--screen")) {
    // The whole screen, for a window of another process (the program itself).
    // Optional x y w h after the file name: the part of the screen to keep.
    int r[4] = {0, 0, -1, -1};
    for (int i = 0; i < 4 && 3 + i < argc; ++i) r[i] = std::atoi(argv[3 + i]);
    const QPixmap shot = QApplication::primaryScreen()->grabWindow(0, r[0], r[1], r[2], r[3]);
    return shot.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  }
  outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  int failures = 0;

  {
    QWidget parent;
    parent.setGeometry(100, 100, 700, 500);
    DecompileLike dlg;
    QTimer::singleShot(300, [&] {
      auto* combo = qobject_cast<QComboBox*>(dlg.control(1030));
      combo->lineEdit()->setFocus();
      QTest::keyClicks(combo->lineEdit(), WRENLOW_CORPUS_DIR "/xp");
      dlg.window()->activateWindow();
      if (!QTest::qWaitForWindowActive(dlg.window())) ++failures;
      dlg.control(1)->setFocus();
      if (!saveScreen(dlg.window(), "ui-tooldialog.png")) ++failures;
      // The OK (focused) and Cancel buttons, four times enlarged.
      QWidget* ok = dlg.control(1);
      const QPoint tl = ok->mapToGlobal(QPoint(-4, -4));
      const QPixmap pair =
          ok->screen()->grabWindow(0, tl.x(), tl.y(), 2 * ok->width() + 40, ok->height() + 8);
      pair.scaled(pair.size() * 4).save(outDir + "/ui-roundbuttons-zoom.png");
      dlg.endDialog(2);
    });
    dlg.DoModal();
  }
  {
    CorpusRun dlg;
    closeWhenDone(dlg, [&] {
      if (!saveScreen(dlg.window(), "ui-results.png")) ++failures;
    });
    dlg.DoModal();
  }
  {
    QMainWindow w;
    w.menuBar()->addMenu(QStringLiteral("文件(&F)"));
    w.menuBar()->addMenu(QStringLiteral("工具(&T)"));
    w.menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    auto* body = new QLabel(QStringLiteral("起始页"));
    body->setAlignment(Qt::AlignCenter);
    w.setCentralWidget(body);
    w.statusBar()->showMessage(QStringLiteral("就绪"));
    w.setGeometry(60, 60, 720, 420);
    if (const res::Bitmap* icon = res::findBitmap(IDR_MAINFRAME))
      w.setWindowIcon(QIcon(QPixmap(icon->xpm.data())));
    installCaption(&w);
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowExposed(&w)) ++failures;
    if (!saveScreen(&w, "ui-caption.png")) ++failures;
  }
  return failures;
}
