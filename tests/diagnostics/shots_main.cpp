// Pictures for review (not a test): diagnostics_shots PREFIX FOLDER saves the
// missing-files question (dialog 138) and the HTML Help registry editor
// (dialog 101) as they open on the Wine prefix PREFIX. Run under an X server.
#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "diagnostics/help_reg_dlg.h"
#include "helpreg/installation.h"
#include "platform/dialogs/dialog_builder.h"
#include "res/ids.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: diagnostics_shots PREFIX FOLDER\n");
    return 2;
  }
  std::string problem;
  if (!helpreg::useWinePrefix(argv[1], &problem)) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    return 1;
  }
  const QString folder = QString::fromLocal8Bit(argv[2]);
  setHelpRegistryMode(helpreg::Mode::HtmlHelp);
  int saved = 0;
  // The question shows while the editor opens: picture it, then keep the
  // rows (Cancel) so that the editor shows them marked.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->objectName() == "HelpRegDlg") return;
    poll.stop();
    QTest::qWait(300);
    saved += modal->grab().save(folder + "/dialog138_missing_files.png");
    if (auto* cancel = dlg::findControl<QAbstractButton>(modal, 2)) cancel->click();
  });
  poll.start(20);
  CHelpRegDlg editor;
  editor.create();
  editor.show();
  if (!QTest::qWaitForWindowExposed(&editor)) return 1;
  QTest::qWait(300);
  saved += editor.grab().save(folder + "/dialog101_html_help_registry.png");
  std::printf("saved %d pictures in %s\n", saved, argv[2]);
  return saved == 2 ? 0 : 1;
}
