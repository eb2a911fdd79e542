// Single-thread LZX decoding speed: decodes a compiled help file's whole
// compressed section, reset interval by reset interval, several times and
// prints the best rate in MB of output per second.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/itss/itsf_reader.h"

// CPU seconds of this process so far (one thread decodes: CPU and wall
// differ only by what the machine took away).
static double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_lzx_decode FILE.chm [ROUNDS]\n");
    return 2;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  itss::HRESULT hr;
  auto file = itss::ItsfFile::open(argv[1], &hr);
  if (!file) return 1;
  itss::LzxSection* s = file->lzxSection(&hr);
  if (!s) return 1;
  lzx::Decoder dec;
  std::vector<std::uint8_t> out(s->intervalBytes() + lzx::Decoder::kBufferSlack);
  double best = 1e30, bestCpu = 1e30;
  std::uint64_t total = 0;
  for (int r = 0; r < rounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    const double c0 = cpuSeconds();
    total = 0;
    for (std::uint64_t k = 0; k < s->intervalCount(); ++k) {
      std::size_t produced = 0;
      if (itss::FAILED(s->decodeInterval(dec, k, out.data(), out.size(), &produced))) {
        std::fprintf(stderr, "interval %llu failed\n", static_cast<unsigned long long>(k));
        return 1;
      }
      total += produced;
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (secs < best) best = secs;
    const double cpu = cpuSeconds() - c0;
    if (cpu < bestCpu) bestCpu = cpu;
  }
  std::printf("ours: %.1f MB in %.3f s = %.1f MB/s, cpu %.3f s (best of %d, one thread)\n",
              total / 1e6, best, total / 1e6 / best, bestCpu, rounds);
  return 0;
}
