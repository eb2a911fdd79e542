#pragma once
// x86 call translation. An LZX stream may announce (header bit after each
// reset) that the 32-bit displacement after every 0xE8 byte (x86 CALL rel32)
// was rewritten as an absolute target before compression: calls to one
// function from many places then carry the same four bytes, which the LZ
// stage finds as repeats. The decoder undoes it after each 32 KiB frame.
//
// Positions count from the reset point: every reset interval is translated
// on its own, as chmlib, 7-Zip and Wine's reader expect. Only frames starting
// below 1 GiB after the reset are translated, and never the last 10 bytes of
// a frame (an E8 there is left alone, and so are the 4 bytes after any E8).
#include <cstddef>
#include <cstdint>

namespace lzx {

// Translation size written in the stream header; targets from the reset
// point up to this many bytes on are made absolute.
constexpr std::uint32_t kE8TranslationSize = 12000000;

// One frame of `len` bytes at position `pos` after the reset point, in place.
void e8Encode(std::uint8_t* frame, std::size_t len, std::int64_t pos, std::uint32_t size);
void e8Decode(std::uint8_t* frame, std::size_t len, std::int64_t pos, std::uint32_t size);

// True when a decoder that treats the frame as only `len` bytes long gets the
// same bytes as one that translates the whole `full`-byte frame: no 0xE8
// from 10 bytes before `len` on is followed by a value either would change.
// (The encoder pads the last frame of a stream; readers differ in whether
// they translate the padded frame or just its real length.)
bool e8ShortFrameAgrees(const std::uint8_t* frame, std::size_t len, std::size_t full,
                        std::int64_t pos, std::uint32_t size);

// Whether translating an interval of `size` bytes is likely to make it
// smaller: more CALL-like E8s whose absolute targets repeat than ones whose
// relative displacements already repeat. Text, including HTML with 0xE8
// bytes in it, says no.
bool e8Pays(const std::uint8_t* data, std::size_t size);

}  // namespace lzx
