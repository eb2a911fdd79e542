#pragma once
// ItsStorage: the one object through which a compiled help file is created,
// opened, switched between sub-storages and closed. It owns the engine object,
// the root storage and one "current" sub-storage chosen by path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/itss/storage.h"

class ItsStorage {
 public:
  // How the engine object is made; tests hand in their own.
  using EngineFactory = itss::HRESULT (*)(itss::IITStorage** out);

  static constexpr std::uint32_t kDefaultResetBlocks = 4;
  static constexpr std::uint32_t kDefaultWindowBlocks = 1;
  static constexpr std::uint32_t kDefaultPartitionBlocks = 1;

  // Names handed to the engine may hold at most this many UTF-16 units (the
  // terminator included), the bound of the name-conversion buffer.
  static constexpr std::size_t kNameBufferUnits = 260;
  // Names returned by the engine are cut to this many bytes.
  static constexpr std::size_t kMaxReturnedName = 519;

  explicit ItsStorage(EngineFactory factory = nullptr);
  ~ItsStorage();
  ItsStorage(const ItsStorage&) = delete;
  ItsStorage& operator=(const ItsStorage&) = delete;

  // Creates a new file: control data from the LZX fields, the directory block
  // size and the compress flag, then StgCreateDocfile (0x1011 when overwrite
  // is set, else 0x0011). Returns the first failing status, or S_OK.
  itss::HRESULT create(const char* path, bool overwrite, bool compress,
                       std::uint32_t directoryBlockSize);
  // Opens an existing file for reading (mode 0x20).
  itss::HRESULT open(const char* path);
  // Makes the sub-storage at path (from the root) current; opens it with mode
  // and falls back to creating it. A path equal to the current one (A-Z
  // compared without case) returns true without asking the engine.
  bool openSubStorage(const char* path, itss::DWORD mode);
  // For a file being created: writes it out and puts it in its path's place
  // (flags as for IStorage::Commit: S_FALSE when STGC_ONLYIFSMALLER kept the
  // old file). Failure leaves the path as it was.
  itss::HRESULT commit(itss::DWORD flags = itss::STGC_DEFAULT);
  // For a file being created: drops it, leaving its path as it was. A close
  // without commit or abandon writes the file out as commit does.
  void abandon();
  // Releases current, root and engine in that order and resets the LZX fields.
  void close();

  itss::IStorage* root() const { return root_; }
  // The current sub-storage, or the root when none was made current.
  itss::IStorage* current() const { return current_ ? current_ : root_; }
  itss::IITStorage* engine() const { return engine_; }
  const char* currentPath() const { return hasCurrentPath_ ? currentPath_.c_str() : nullptr; }

  std::uint32_t resetBlocks = kDefaultResetBlocks;
  std::uint32_t windowBlocks = kDefaultWindowBlocks;
  std::uint32_t partitionBlocks = kDefaultPartitionBlocks;
  bool fastLzx = false;         // the LZX encoder's fast level (the strong one otherwise)
  bool translateCalls = false;  // x86 call translation where it pays

  // Copies name into the name buffer for one engine call; the result stays
  // valid until the next conversion on this object. nullptr when the name
  // does not fit the buffer's bound (the call must then not be made).
  const char* engineName(const char* name);

  // Whether name fits the name buffer's bound.
  static bool nameFits(const char* name);

  // The text of an engine-returned name, cut at kMaxReturnedName bytes (at a
  // UTF-8 character boundary); frees the engine's string and nulls it.
  static std::string takeName(char*& engineString);

  // Fills the 14-word control data record.
  static void fillControlData(itss::ITS_Control_Data& data, std::uint32_t directoryBlockSize,
                              bool compress, std::uint32_t resetBlocks, std::uint32_t windowBlocks,
                              std::uint32_t partitionBlocks);

 private:
  itss::HRESULT makeEngine();

  EngineFactory factory_;
  itss::IITStorage* engine_ = nullptr;
  itss::IStorage* root_ = nullptr;
  itss::IStorage* current_ = nullptr;
  std::string currentPath_;
  bool hasCurrentPath_ = false;
  std::string nameBuffer_;
};

// Same length and equal with the letters A-Z compared without case; all other
// bytes compared exactly.
bool samePathNoCase(const char* a, const char* b);
