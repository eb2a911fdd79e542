#pragma once
// The storage engine's interfaces, in the shape of the COM structured-storage
// interfaces: reference counted objects, status codes as return values, nothing
// thrown across them. Names are UTF-8 (the form the ITSF directory stores);
// "\" and "/" both separate the elements of a path.
#include <cstdint>

#include "platform/itss/status.h"

namespace itss {

using ULONG = std::uint32_t;
using DWORD = std::uint32_t;

// Access modes (STGM_*).
constexpr DWORD STGM_READ = 0x0000;
constexpr DWORD STGM_WRITE = 0x0001;
constexpr DWORD STGM_READWRITE = 0x0002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x0040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x0030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x0020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x0010;
constexpr DWORD STGM_CREATE = 0x1000;

// Commit flags (STGC_*).
constexpr DWORD STGC_DEFAULT = 0;
// The engine's own flag, for the root of a file being written: the new file
// takes the place of the existing one only when it is smaller; otherwise it
// is dropped, the old file stays and Commit returns S_FALSE.
constexpr DWORD STGC_ONLYIFSMALLER = 0x10000;

// Element types (STGTY_*).
constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STGTY_LOCKBYTES = 3;
constexpr DWORD STGTY_PROPERTY = 4;

// Seek origins (STREAM_SEEK_*).
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

// Stat flags.
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;

struct STATSTG {
  char* pwcsName = nullptr;  // UTF-8, allocated by the engine; free with CoTaskMemFree
  DWORD type = 0;
  std::uint64_t cbSize = 0;
  DWORD grfMode = 0;
};

// Frees a name the engine handed out (STATSTG::pwcsName).
void CoTaskMemFree(void* p);

class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IStream : public IUnknown {
 public:
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
  virtual HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) = 0;
  virtual HRESULT SetSize(std::uint64_t newSize) = 0;
  // Copies cb bytes from the current position to pstm's current position.
  virtual HRESULT CopyTo(IStream* pstm, std::uint64_t cb, std::uint64_t* pcbRead,
                         std::uint64_t* pcbWritten) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Stat(STATSTG* pstatstg, DWORD flag) = 0;
};

class IEnumSTATSTG : public IUnknown {
 public:
  // Fetches up to celt elements; S_FALSE when fewer than celt were left.
  virtual HRESULT Next(ULONG celt, STATSTG* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
};

class IStorage : public IUnknown {
 public:
  virtual HRESULT CreateStream(const char* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                               IStream** ppstm) = 0;
  virtual HRESULT OpenStream(const char* name, void* reserved1, DWORD mode, DWORD reserved2,
                             IStream** ppstm) = 0;
  virtual HRESULT CreateStorage(const char* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                IStorage** ppstg) = 0;
  virtual HRESULT OpenStorage(const char* name, IStorage* priority, DWORD mode, char** snbExclude,
                              DWORD reserved, IStorage** ppstg) = 0;
  virtual HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                               IEnumSTATSTG** ppenum) = 0;
  // On the root of a file being written: writes the complete file and puts
  // it in its path's place (the last release does the same without telling
  // how it went). Elsewhere: nothing to do.
  virtual HRESULT Commit(DWORD flags) = 0;
  // On the root of a file being written: drops everything written, leaving
  // whatever file was at its path as it was; nothing can be added afterwards.
  // Elsewhere: nothing to do.
  virtual HRESULT Revert() = 0;
  virtual HRESULT Stat(STATSTG* pstatstg, DWORD flag) = 0;
};

// The ITS control data record handed to SetControlData before a file is
// created: 14 little-endian 32-bit words (see control_data.h for the layout).
struct ITS_Control_Data {
  DWORD cdwControlData = 13;
  DWORD words[13] = {};
  // Not part of the stored record: compress with the encoder's fast level
  // instead of its strong one (same format, larger output, less time).
  bool fastLzx = false;
  // Not stored either: translate x86 calls in the intervals where it pays.
  bool translateCalls = false;
  // Threads that compress reset intervals side by side; 0: one per core.
  // The bytes written are the same for any number.
  unsigned compressThreads = 0;
};

class IITStorage : public IUnknown {
 public:
  virtual HRESULT StgCreateDocfile(const char* path, DWORD mode, DWORD reserved,
                                   IStorage** ppstgOpen) = 0;
  virtual HRESULT StgIsStorageFile(const char* path) = 0;
  virtual HRESULT StgOpenStorage(const char* path, IStorage* priority, DWORD mode,
                                 char** snbExclude, DWORD reserved, IStorage** ppstgOpen) = 0;
  virtual HRESULT SetControlData(const ITS_Control_Data* data) = 0;
  virtual HRESULT DefaultControlData(ITS_Control_Data* data) = 0;
};

// The factory: the stand-in for creating the ITS storage class object.
HRESULT CreateITStorage(IITStorage** out);

}  // namespace itss
