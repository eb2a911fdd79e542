#pragma once
// Options shared by the commands that write a compiled help file (pack, copy):
// compression, LZX parameters and directory block size.
#include <string>

#include "cli/command.h"
#include "platform/itss/com_ptr.h"
#include "platform/itss/storage.h"

namespace cli {

struct WriteOptions {
  bool compress = true;
  bool translateCalls = false;  // --x86-calls
  itss::DWORD reset = 8, window = 8, partition = 8, blockSize = 4096;
};

// Parses the options that follow the positional arguments; false on a bad one.
bool parseWriteOptions(const Args& args, std::size_t first, WriteOptions& o);

// Begins out (replacing it when complete) with the options' control data;
// on failure says why on standard error.
itss::HRESULT createOutput(const std::string& out, const WriteOptions& o,
                           itss::ComPtr<itss::IStorage>& root);

// Ends the file begun by createOutput and releases root: with no failures it
// takes out's place; otherwise, or when it cannot be written, out is left as
// it was and the message says so. Whether the file was written.
bool finishOutput(const std::string& out, itss::ComPtr<itss::IStorage>& root, int failures);

}  // namespace cli
