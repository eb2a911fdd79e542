// What x86 call translation gains: the files given (folders walked, in name
// order) are concatenated and compressed in reset intervals of --reset
// frames (default 8: 256 KiB) with a window of --window bits (default 18:
// 256 KiB), as `pack` does by default, one thread. Without --calls it
// prints, side by side, the size and CPU time with translation never, where
// it pays (the default) and in every interval, and checks that each output
// decodes back. With --calls MODE it only compresses (for timing the
// whole process).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/lzx/lzx_decoder.h"
#include "platform/lzx/lzx_encoder.h"

namespace fs = std::filesystem;

namespace {

struct Run {
  std::size_t bytes = 0, translated = 0, intervals = 0;
  double cpu = 0;
  bool roundTrips = true;
};

struct Setup {
  lzx::Level level = lzx::Level::Strong;
  std::size_t interval = 8 * lzx::kFrameSize;
  unsigned windowBits = 18;
};

Run compress(const std::vector<std::uint8_t>& data, lzx::Calls calls, const Setup& s, bool verify) {
  Run r;
  lzx::Encoder enc(s.windowBits, s.level);
  enc.setCallTranslation(calls);
  lzx::Decoder dec;
  dec.init(s.windowBits);
  std::vector<std::uint8_t> out, frame(lzx::kFrameSize);
  std::vector<std::uint64_t> frames;
  for (std::size_t p = 0; p < data.size(); p += s.interval) {
    const std::size_t n = std::min(s.interval, data.size() - p);
    out.clear();
    frames.clear();
    const std::clock_t t0 = std::clock();
    enc.compressInterval(data.data() + p, n, out, frames);
    r.cpu += static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
    r.bytes += out.size();
    ++r.intervals;
    if (out[1] & 0x80) ++r.translated;
    if (!verify) continue;
    dec.reset(p);
    std::size_t at = 0;
    for (std::size_t f = 0; f * lzx::kFrameSize < n; ++f) {
      const std::size_t len = std::min<std::size_t>(lzx::kFrameSize, n - f * lzx::kFrameSize);
      std::size_t used = 0;
      if (dec.decodeFrame(out.data() + at, out.size() - at, frame.data(), len, &used) !=
              lzx::DecodeResult::Ok ||
          std::memcmp(frame.data(), data.data() + p + f * lzx::kFrameSize, len) != 0)
        r.roundTrips = false;
      at += used;
    }
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> files;
  Setup setup;
  int only = -1;
  const char* names[] = {"never", "auto", "always"};
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--fast") {
      setup.level = lzx::Level::Fast;
    } else if (a == "--reset" && i + 1 < argc) {
      setup.interval = std::strtoul(argv[++i], nullptr, 10) * lzx::kFrameSize;
      if (setup.interval == 0) return 2;
    } else if (a == "--window" && i + 1 < argc) {
      setup.windowBits = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
      if (setup.windowBits < lzx::kMinWindowBits || setup.windowBits > lzx::kMaxWindowBits)
        return 2;
    } else if (a == "--calls" && i + 1 < argc) {
      const std::string m = argv[++i];
      for (int k = 0; k < 3; ++k)
        if (m == names[k]) only = k;
      if (only < 0) return 2;
    } else if (fs::is_directory(a)) {
      for (const auto& e : fs::recursive_directory_iterator(a))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.emplace_back(a);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr,
                 "usage: bench_lzx_e8 [--fast] [--reset FRAMES] [--window BITS]\n"
                 "                    [--calls never|auto|always] FILE|DIR...\n");
    return 2;
  }
  std::sort(files.begin(), files.end());
  std::vector<std::uint8_t> data;
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    data.insert(data.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const lzx::Calls modes[] = {lzx::Calls::Never, lzx::Calls::Auto, lzx::Calls::Always};
  if (only >= 0) {
    const Run r = compress(data, modes[only], setup, false);
    std::printf("%s: %zu -> %zu bytes, %zu of %zu intervals translated, %.2f s cpu\n", names[only],
                data.size(), r.bytes, r.translated, r.intervals, r.cpu);
    return 0;
  }
  std::printf("input: %zu files, %zu bytes, %s level, %zu KiB intervals, %u-bit window\n",
              files.size(), data.size(), setup.level == lzx::Level::Fast ? "fast" : "strong",
              setup.interval / 1024, setup.windowBits);
  std::printf("%-8s %12s %8s %10s %12s %8s %s\n", "calls", "bytes", "ratio", "vs never",
              "translated", "cpu s", "round trip");
  std::size_t never = 0;
  for (int k = 0; k < 3; ++k) {
    const Run r = compress(data, modes[k], setup, true);
    if (k == 0) never = r.bytes;
    std::printf("%-8s %12zu %8.4f %10.4f %5zu/%-6zu %8.2f %s\n", names[k], r.bytes,
                static_cast<double>(r.bytes) / static_cast<double>(data.size()),
                static_cast<double>(r.bytes) / static_cast<double>(never), r.translated,
                r.intervals, r.cpu, r.roundTrips ? "ok" : "FAILED");
  }
  return 0;
}
