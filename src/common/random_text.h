#pragma once
// Unpredictable names: per-page script nonces, per-file web origins.
#include <cstddef>
#include <string>

// `bytes` bytes from the system's random source as lower-case hexadecimal
// digits (twice as many).
std::string RandomHex(std::size_t bytes);
