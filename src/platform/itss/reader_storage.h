#pragma once
// Read-only storage objects over an open container.
#include <memory>

#include "platform/itss/itsf_reader.h"
#include "platform/itss/storage.h"

namespace itss {

// Opens the file at path for reading and returns its root storage.
HRESULT openReadStorage(const char* path, DWORD mode, IStorage** out);
// The same over bytes in memory (copied); for tests and fuzzing.
HRESULT openReadStorageFromMemory(const std::uint8_t* data, std::size_t size, IStorage** out);

// The container behind a storage this engine opened for reading, or null for
// any other storage. Lets bulk readers go past the per-stream interface.
std::shared_ptr<ItsfFile> containerOf(IStorage* storage);
// The internal path prefix of such a storage ("/" for the root, "/a/b/").
std::string storagePrefix(IStorage* storage);

}  // namespace itss
