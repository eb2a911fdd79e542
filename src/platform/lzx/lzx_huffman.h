#pragma once
// Code lengths for the encoder's Huffman trees: optimal prefix codes clipped
// to a maximum length and always complete (every LZX decoder rejects an
// incomplete code other than an all-zero one).
#include <cstddef>
#include <cstdint>

namespace lzx {

// Fills lengths[0..count) from symbol frequencies. No symbol longer than
// maxLength. With no used symbol all lengths are 0; with one used symbol a
// second symbol is given a length too so that the code stays complete.
void buildCodeLengths(const std::uint32_t* freq, std::size_t count, unsigned maxLength,
                      std::uint8_t* lengths);

}  // namespace lzx
