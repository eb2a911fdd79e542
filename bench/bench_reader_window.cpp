// Reading window benchmark, one process a run, driven with key events as a
// user drives it:
//   - from the start of the process (WRENLOW_BENCH_T0, the launch time in
//     nanoseconds of the realtime clock, set by the caller; else the start
//     time the kernel gives, in 10 ms steps) to the contents tree filled and
//     to the first page loaded, the window shown as wrenlow --read shows it;
//   - the index tab: each key typed into the keyword box, from the key to
//     its keyword selected and the tree painted;
//   - the search tab: a word typed, then Enter, to the results listed and
//     painted; the first search reads the file's full-text index.
//   bench_reader_window FILE KEYS WORD [WORD2]
// prints "qt <ms> ms" (the application object made), "open <ms> ms" (contents
// read and filled), "contents <ms> ms (<n> entries)" (the window painted), "page <ms> ms", "keys
// <n>: max <ms> ms, mean <ms> ms (<n> keywords)", "search <word> <ms> ms (<n> topics)".
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "common/settings_store.h"
#include "platform/browser/closed_profile.h"
#include "platform/htmlhelp/reader_window.h"

namespace {

// Milliseconds since the process started.
double sinceStart() {
  timespec now{};
  if (const char* t0 = std::getenv("WRENLOW_BENCH_T0")) {
    clock_gettime(CLOCK_REALTIME, &now);
    const double nowNs = now.tv_sec * 1e9 + now.tv_nsec;
    return (nowNs - std::strtod(t0, nullptr)) / 1e6;
  }
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  return (now.tv_sec + now.tv_nsec / 1e9 - std::stod(field) / ticks) * 1e3;
}

// CPU time of this process so far (user + system); the web engine's own
// processes are not counted.
double cpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

int countItems(QTreeWidgetItem* item) {
  int n = 1;
  for (int i = 0; i < item->childCount(); ++i) n += countItems(item->child(i));
  return n;
}

// Lets the window handle what a key left posted (the repaint of what the
// key changed among it), as the event loop would before the next key.
void settle(QWidget*) {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_reader_window FILE KEYS WORD [WORD2]\n");
    return 2;
  }
  browser::registerSchemes();
  QApplication application(argc, argv);
  SetRegistryName("WrenlowBench");
  std::printf("qt %.0f ms (the application object made)\n", sinceStart());
  htmlhelp::ReaderWindow window;
  window.resize(1000, 720);
  window.remembersPlace = true;
  bool pageShown = false;
  QObject::connect(&window.host(), &CHHCtrl::documentCompleted, &window, [&](const QString&, bool) {
    if (!pageShown) std::printf("page %.0f ms (cpu %.0f ms)\n", sinceStart(), cpuMs());
    pageShown = true;
  });
  if (!window.open(argv[1], "")) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  std::printf("open %.0f ms (contents read and filled)\n", sinceStart());
  window.show();
  settle(&window);
  int entries = 0;
  for (int i = 0; i < window.contentsTree()->topLevelItemCount(); ++i)
    entries += countItems(window.contentsTree()->topLevelItem(i));
  std::printf("contents %.0f ms (%d entries)\n", sinceStart(), entries);
  QElapsedTimer wait;
  wait.start();
  while (!pageShown && wait.elapsed() < 30000) QTest::qWait(5);
  if (!pageShown) std::printf("page not loaded in 30 s\n");

  // Type-ahead: each key to its keyword selected and painted.
  window.tabs()->setCurrentIndex(1);
  auto* keyword = window.findChild<QLineEdit*>(QStringLiteral("IndexEdit"));
  keyword->setFocus();
  settle(&window);
  double worst = 0, total = 0;
  const QString keys = QString::fromUtf8(argv[2]);
  for (const QChar c : keys) {
    QElapsedTimer t;
    t.start();
    QTest::keyClick(keyword, c.toLatin1());
    settle(&window);
    const double ms = t.nsecsElapsed() / 1e6;
    if (std::getenv("BENCH_EACH")) std::printf("  key %c %.1f ms\n", c.toLatin1(), ms);
    worst = std::max(worst, ms);
    total += ms;
  }
  const QTreeWidgetItem* chosen = window.indexTree()->currentItem();
  std::printf("keys %lld: max %.1f ms, mean %.1f ms (%d keywords; \"%s\" selects \"%s\")\n",
              static_cast<long long>(keys.size()), worst,
              total / std::max<qsizetype>(keys.size(), 1), window.indexTree()->topLevelItemCount(),
              argv[2], chosen ? chosen->text(0).toUtf8().constData() : "");

  // Search: Enter to the results painted.
  window.tabs()->setCurrentIndex(2);
  auto* edit = window.findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
  auto* results = window.findChild<QListWidget*>(QStringLiteral("SearchResults"));
  edit->setFocus();
  for (int i = 3; i < argc; ++i) {
    edit->clear();
    QTest::keyClicks(edit, QString::fromUtf8(argv[i]));
    settle(&window);
    QElapsedTimer t;
    t.start();
    QTest::keyClick(edit, Qt::Key_Return);
    settle(&window);
    std::printf("search %s %.1f ms (%d topics)\n", argv[i], t.nsecsElapsed() / 1e6,
                results->count());
  }
  std::fflush(stdout);
  return 0;
}
