// Help pages through the its: scheme handler against the same files on disk
// through file:, in one web view of the help-page host (the closed profile
// serves file: pages of its report folder, which is pointed at the
// extracted files, and the file: side may load the style sheets, scripts and
// images beside its pages, as an its: page loads those inside its file).
// Every page of the help file is loaded once per pass in each mode, passes
// alternating; then the largest page is loaded RUNS times in each mode, and
// its load (to load finished) and layout (a script that asks for the body's
// height) are timed.
//   bench_pages FILE.chm EXTRACTED_FOLDER [PASSES] [RUNS] [SAMPLE]
// Prints, per pass and mode: pages, requests that reached the network layer
// (the renderer keeps a help file's shared scripts and style sheets between
// its: pages, so that side asks for fewer), renderer processes used,
// seconds, pages/s, requests/s; then the large page's medians and the
// ratios its:/file:.
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/browser/closed_profile.h"
#include "platform/browser/hh_ctrl.h"

namespace {

class RequestCounter : public QWebEngineUrlRequestInterceptor {
 public:
  long requests = 0;
  void interceptRequest(QWebEngineUrlRequestInfo&) override { ++requests; }
};

// Loads one address and waits for the page to finish (a page that never
// finishes counts as done after 30 s).
bool load(CHHCtrl& host, const std::string& address) {
  QEventLoop loop;
  bool ok = false;
  auto c = QObject::connect(&host, &CHHCtrl::documentCompleted, &loop, [&](const QString&, bool r) {
    ok = r;
    loop.quit();
  });
  QTimer::singleShot(30000, &loop, &QEventLoop::quit);
  host.Navigate(address);
  loop.exec();
  QObject::disconnect(c);
  return ok;
}

// Forces layout of the loaded page and waits for the answer.
void layout(QWebEngineView* view) {
  QEventLoop loop;
  view->page()->runJavaScript(QStringLiteral("document.body ? document.body.offsetHeight : 0"),
                              QWebEngineScript::ApplicationWorld,
                              [&](const QVariant&) { loop.quit(); });
  loop.exec();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_pages FILE.chm EXTRACTED_FOLDER [PASSES] [RUNS]\n");
    return 2;
  }
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
  browser::registerSchemes();
  QApplication app(argc, argv);
  const std::string chm =
      QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString();
  const QString folder = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  const int passes = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 7;
  browser::setReportFolder(folder);

  std::vector<QString> pages;  // relative to the folder
  QString largest;
  qint64 largestSize = -1;
  for (QDirIterator it(folder, {QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files,
                       QDirIterator::Subdirectories);
       it.hasNext();) {
    const QString path = it.next();
    pages.push_back(path.mid(folder.size() + 1));
    if (it.fileInfo().size() > largestSize) {
      largestSize = it.fileInfo().size();
      largest = pages.back();
    }
  }
  std::sort(pages.begin(), pages.end());
  // An optional sample: every n-th page, so that at most SAMPLE pages load.
  if (argc > 5 && std::atoi(argv[5]) > 0 && pages.size() > std::size_t(std::atoi(argv[5]))) {
    const std::size_t step = pages.size() / std::atoi(argv[5]);
    std::vector<QString> sample;
    for (std::size_t i = 0; i < pages.size(); i += step) sample.push_back(pages[i]);
    pages.swap(sample);
  }
  if (pages.empty()) {
    std::fprintf(stderr, "no pages in %s\n", argv[2]);
    return 1;
  }

  QWidget window;
  window.resize(1000, 800);
  window.show();
  CHHCtrl host;
  host.Create(&window, QRect(0, 0, 1000, 800), 0, HHHome::none(), false);
  host.SetHelpFile(chm);
  auto* counter = new RequestCounter;
  host.browser()->page()->setUrlRequestInterceptor(counter);

  // The closed profile keeps a file: page from loading other local files
  // (its style sheets, scripts and images); the file: side lifts that for
  // this view, so both sides load the same sub-resources.
  auto fileSubresources = [&](bool on) {
    host.browser()->page()->settings()->setAttribute(
        QWebEngineSettings::LocalContentCanAccessFileUrls, on);
  };
  auto address = [&](bool its, const QString& page) {
    return its ? "its:" + chm + "::/" + page.toStdString()
               : (folder + QLatin1Char('/') + page).toStdString();
  };
  std::printf("%zu pages in %s; largest %s (%lld bytes)\n", pages.size(), argv[1],
              qPrintable(largest), static_cast<long long>(largestSize));
  std::vector<double> rate[2], requestRate[2];
  for (int pass = 0; pass < passes; ++pass) {
    for (int mode : {0, 1}) {  // 0: its:, 1: file:
      const bool its = mode == 0;
      fileSubresources(!its);
      counter->requests = 0;
      long failed = 0;
      std::set<qint64> renderers;  // a renderer process per page is a cost of its own
      QElapsedTimer clock;
      clock.start();
      for (const QString& page : pages) {
        failed += !load(host, address(its, page));
        renderers.insert(host.browser()->page()->renderProcessPid());
      }
      const double seconds = clock.nsecsElapsed() / 1e9;
      rate[mode].push_back(pages.size() / seconds);
      requestRate[mode].push_back(counter->requests / seconds);
      std::printf(
          "pass %d %-5s %zu pages (%ld failed), %ld requests, %zu renderer processes, %.2f s, "
          "%.1f pages/s, %.1f requests/s\n",
          pass + 1, its ? "its:" : "file:", pages.size(), failed, counter->requests,
          renderers.size(), seconds, rate[mode].back(), requestRate[mode].back());
      std::fflush(stdout);
    }
  }
  std::vector<double> loadMs[2], totalMs[2];
  for (int run = 0; run < runs; ++run) {
    for (int mode : {0, 1}) {
      fileSubresources(mode == 1);
      load(host, "about:blank");
      QElapsedTimer clock;
      clock.start();
      load(host, address(mode == 0, largest));
      loadMs[mode].push_back(clock.nsecsElapsed() / 1e6);
      layout(host.browser());
      totalMs[mode].push_back(clock.nsecsElapsed() / 1e6);
    }
  }
  const double itsRate = median(rate[0]), fileRate = median(rate[1]);
  const double itsReq = median(requestRate[0]), fileReq = median(requestRate[1]);
  std::printf(
      "all pages, median of %d passes: its: %.1f pages/s (%.1f requests/s), file: %.1f pages/s "
      "(%.1f requests/s); its:/file: %.2f (requests %.2f)\n",
      passes, itsRate, itsReq, fileRate, fileReq, itsRate / fileRate, itsReq / fileReq);
  const double itsTotal = median(totalMs[0]), fileTotal = median(totalMs[1]);
  std::printf(
      "largest page, median of %d runs: its: load %.1f ms, load+layout %.1f ms; file: load "
      "%.1f ms, load+layout %.1f ms; speed its:/file: %.2f\n",
      runs, median(loadMs[0]), itsTotal, median(loadMs[1]), fileTotal, fileTotal / itsTotal);
  return 0;
}
