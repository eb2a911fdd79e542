#include "common/random_text.h"

#include <sys/random.h>

#include <random>
#include <vector>

std::string RandomHex(std::size_t bytes) {
  std::vector<unsigned char> data(bytes);
  std::size_t got = 0;
  while (got < bytes) {
    const ssize_t n = ::getrandom(data.data() + got, bytes - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got < bytes) {
    std::random_device device;
    for (unsigned char& b : data) b = static_cast<unsigned char>(device());
  }
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned char b : data) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}
