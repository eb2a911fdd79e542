// Viewer benchmark: opening a help file and filling the viewer's tree model,
// and building the #TOPICS page; each run in its own process so that the
// peak resident size belongs to that run alone. Also writes the generated
// input files.
//   bench_viewer make-streams OUT.chm STREAMS FOLDERS
//   bench_viewer make-topics OUT.chm TOPICS
//   bench_viewer tree FILE   -> "tree <ms> ms, <n> items, cpu <ms> ms, peak <KiB> KiB"
//   bench_viewer topics FILE -> "topics <ms> ms, <n> bytes, cpu <ms> ms, peak <KiB> KiB"
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"
#include "report/file_tree.h"
#include "report/report_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

long peakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// CPU seconds of this process so far (user + system), in milliseconds: the
// figure that a busy machine disturbs least.
double cpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

bool put(ItsStorage& out, const std::string& name, const std::string& bytes) {
  itss::ComPtr<itss::IStream> s;
  if (itss::FAILED(out.root()->CreateStream(name.c_str(), itss::STGM_WRITE, 0, 0, s.put())))
    return false;
  itss::ULONG written = 0;
  return bytes.empty() ||
         itss::SUCCEEDED(s->Write(bytes.data(), static_cast<itss::ULONG>(bytes.size()), &written));
}

void le32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

int makeStreams(const char* path, long streams, long folders) {
  ItsStorage out;
  if (itss::FAILED(out.create(path, true, true, 4096))) return 1;
  for (long i = 0; i < streams; ++i) {
    const std::string name =
        "folder" + std::to_string(i % folders) + "/page" + std::to_string(i) + ".htm";
    if (!put(out, name, "<p>" + std::to_string(i) + "</p>")) return 1;
  }
  put(out, "#SYSTEM", std::string("\3\0\0\0", 4));
  out.close();
  return 0;
}

int makeTopics(const char* path, long topics) {
  std::string strings(1, '\0'), urlTable, urlStr(1, '\0'), table;
  for (long i = 0; i < topics; ++i) {
    const auto title = static_cast<std::uint32_t>(strings.size());
    strings += "Topic number " + std::to_string(i) + '\0';
    const auto name = static_cast<std::uint32_t>(urlStr.size());
    urlStr += std::string(8, '\0') + "html/topic" + std::to_string(i) + ".htm" + '\0';
    const auto url = static_cast<std::uint32_t>(urlTable.size());
    le32(urlTable, 0);
    le32(urlTable, static_cast<std::uint32_t>(i));
    le32(urlTable, name);
    le32(table, 0);
    le32(table, title);
    le32(table, url);
    le32(table, 6);
  }
  ItsStorage out;
  if (itss::FAILED(out.create(path, true, true, 4096))) return 1;
  const bool ok = put(out, "#STRINGS", strings) && put(out, "#URLSTR", urlStr) &&
                  put(out, "#URLTBL", urlTable) && put(out, "#TOPICS", table);
  out.close();
  return ok ? 0 : 1;
}

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int tree(const char* path) {
  const double cpu0 = cpuMs();
  const auto start = Clock::now();
  ItsStorage storage;
  if (itss::FAILED(storage.open(path))) return 1;
  FileTree model;
  model.fill(storage.root(), path);
  const double ms = msSince(start);
  std::printf("tree %.1f ms, %zu items, cpu %.1f ms, peak %ld KiB\n", ms, model.items().size(),
              cpuMs() - cpu0, peakKiB());
  return 0;
}

int topics(const char* path) {
  const std::string folder = std::filesystem::temp_directory_path() / "wl-bench-viewer";
  std::filesystem::create_directories(folder);
  const double cpu0 = cpuMs();
  const auto start = Clock::now();
  ItsStorage storage;
  if (itss::FAILED(storage.open(path))) return 1;
  ReportPages pages(storage.root(), path, folder);
  const PageResult page = pages.topics();
  const double ms = msSince(start);
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(page.path, ec);
  std::printf("topics %.1f ms, %ju bytes, cpu %.1f ms, peak %ld KiB\n", ms,
              static_cast<std::uintmax_t>(bytes), cpuMs() - cpu0, peakKiB());
  pages.deleteTempPages();
  return page.outcome == PageOutcome::kShow ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "make-streams" && argc == 5)
    return makeStreams(argv[2], std::atol(argv[3]), std::atol(argv[4]));
  if (mode == "make-topics" && argc == 4) return makeTopics(argv[2], std::atol(argv[3]));
  if (mode == "tree" && argc == 3) return tree(argv[2]);
  if (mode == "topics" && argc == 3) return topics(argv[2]);
  std::fprintf(stderr, "usage: bench_viewer make-streams|make-topics|tree|topics ...\n");
  return 2;
}
