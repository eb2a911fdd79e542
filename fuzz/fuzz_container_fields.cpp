// Fuzz target: valid containers written by our own writer, then changed
// field by field as the input directs: ITSF and ITSP header words, the
// section, offset and length of directory entries, listing chunk headers,
// ControlData, the reset table and bytes of the compressed data. Everything
// is read through the bulk path, the enumerators and the name lookup.
//
// Input: one byte choosing the base container, then records of 8 bytes:
// kind, selector, 16-bit index, 32-bit value (little-endian).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/itss/bytes.h"
#include "platform/itss/com_ptr.h"
#include "platform/itss/itsf_bulk.h"
#include "platform/itss/reader_storage.h"
#include "platform/itss/writer.h"

namespace {

using namespace itss;

struct Field {
  std::size_t at, size;  // an encint in a listing chunk
};

struct Base {
  std::vector<std::uint8_t> bytes;
  std::size_t itsp = 0, chunks = 0, chunkSize = 0, chunkCount = 0;
  std::vector<Field> fields;  // name length, section, offset, length of every entry
  std::size_t controlData = 0, resetTable = 0, resetTableSize = 0, content = 0, contentSize = 0;
};

std::vector<Base> bases;

std::string page(std::mt19937& rng, std::size_t size) {
  static const char* const words[] = {
      "<p>",  "</p>", "help ", "topic ", "索引 ", "window ", "<a href=\"x.htm\">",
      "</a>", "\n",   "reset "};
  std::string s;
  while (s.size() < size) s += words[rng() % 10];
  s.resize(size);
  return s;
}

bool writeBase(unsigned reset, unsigned window, unsigned chunk, bool compress, int files,
               std::size_t pageSize, Base& out) {
  char path[] = "/tmp/fuzz-container-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return false;
  close(fd);
  ITS_Control_Data control;
  ComPtr<IITStorage> engine;
  CreateITStorage(engine.put());
  engine->DefaultControlData(&control);
  control.words[3] = chunk;
  control.words[5] = compress;
  control.words[9] = reset;
  control.words[10] = window;
  std::mt19937 rng(files);
  {
    ComPtr<IStorage> root;
    if (FAILED(createDocfile(path, STGM_CREATE, control, root.put()))) return false;
    for (int i = 0; i < files; ++i) {
      std::string folder = "d" + std::to_string(i % 17), name = "p" + std::to_string(i) + ".htm";
      ComPtr<IStorage> sub;
      ComPtr<IStream> s;
      if (FAILED(root->CreateStorage(folder.c_str(), STGM_CREATE, 0, 0, sub.put())) ||
          FAILED(sub->CreateStream(name.c_str(), STGM_CREATE, 0, 0, s.put())))
        return false;
      std::string text = page(rng, pageSize / 2 + rng() % pageSize);
      s->Write(text.data(), static_cast<ULONG>(text.size()), nullptr);
    }
  }
  std::ifstream f(path, std::ios::binary);
  out.bytes.assign(std::istreambuf_iterator<char>(f), {});
  std::remove(path);

  // Where the structures lie, read off the unchanged file.
  const std::uint8_t* d = out.bytes.data();
  out.itsp = le64(d + 0x48);
  out.chunkSize = le32(d + out.itsp + 0x10);
  out.chunkCount = le32(d + out.itsp + 0x2C);
  out.chunks = out.itsp + 0x54;
  std::uint64_t content = le64(d + 0x58);
  for (std::size_t c = 0; c < out.chunkCount; ++c) {
    const std::uint8_t* chunkStart = d + out.chunks + c * out.chunkSize;
    if (std::memcmp(chunkStart, "PMGL", 4) != 0) continue;
    const std::uint8_t* p = chunkStart + 0x14;
    const std::uint8_t* end = chunkStart + out.chunkSize - le32(chunkStart + 4);
    for (unsigned n = le16(chunkStart + out.chunkSize - 2); n; --n) {
      std::uint64_t v[4];
      const std::uint8_t* name = nullptr;
      for (int k = 0; k < 4; ++k) {
        const std::uint8_t* at = p;
        if (!readEncint(p, end, v[k])) return false;
        out.fields.push_back({static_cast<std::size_t>(at - d), static_cast<std::size_t>(p - at)});
        if (k == 0) {
          name = p;
          p += v[0];
        }
      }
      std::string stored(reinterpret_cast<const char*>(name), v[0]);
      if (v[1] != 0) continue;
      if (stored.find("ControlData") != std::string::npos) out.controlData = content + v[2];
      if (stored.find("ResetTable") != std::string::npos) {
        out.resetTable = content + v[2];
        out.resetTableSize = v[3];
      }
      if (stored.find("MSCompressed/Content") != std::string::npos) {
        out.content = content + v[2];
        out.contentSize = v[3];
      }
    }
  }
  return true;
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  if (at + 4 <= b.size()) putLe32(b.data() + at, v);
}

// Rewrites an encint in place with v, keeping its length (high bits drop).
void putEncint(std::vector<std::uint8_t>& b, const Field& f, std::uint32_t v) {
  for (std::size_t i = f.size; i-- > 0;) {
    b[f.at + i] = static_cast<std::uint8_t>((v & 0x7F) | (i + 1 < f.size ? 0x80 : 0));
    v >>= 7;
  }
}

void mutate(const Base& base, std::vector<std::uint8_t>& b, const std::uint8_t* in, std::size_t n) {
  for (; n >= 8; in += 8, n -= 8) {
    const unsigned kind = in[0] % 8, sel = in[1];
    const std::uint32_t index = le16(in + 2), value = le32(in + 4);
    switch (kind) {
      case 0:  // ITSF header
        put32(b, sel % 0x5D, value);
        break;
      case 1:  // ITSP header
        put32(b, base.itsp + sel % 0x51, value);
        break;
      case 2:  // a directory entry's name length, section, offset or length
        if (!base.fields.empty())
          putEncint(b, base.fields[(index * 4 + sel % 4) % base.fields.size()], value);
        break;
      case 3:  // listing chunk header or its entry count
        if (base.chunkCount) {
          std::size_t c = base.chunks + (index % base.chunkCount) * base.chunkSize;
          if (sel & 1)
            putLe16(b.data() + c + base.chunkSize - 2, static_cast<std::uint16_t>(value));
          else
            put32(b, c + 4 * (sel / 2 % 5), value);
        }
        break;
      case 4:  // ControlData
        if (base.controlData) put32(b, base.controlData + 4 * (sel % 7), value);
        break;
      case 5:  // reset table header or entries
        if (base.resetTableSize >= 4)
          put32(b, base.resetTable + 4 * (index % (base.resetTableSize / 4)), value);
        break;
      case 6:  // compressed data
        if (base.contentSize)
          b[base.content + value % base.contentSize] ^= static_cast<std::uint8_t>(sel | 1);
        break;
      default:  // any byte
        b[value % b.size()] = static_cast<std::uint8_t>(sel);
        break;
    }
  }
}

class Sink : public BulkSink {
 public:
  std::size_t budget = 24 << 20;
  bool begin(const DirEntry&) override { return budget > 0; }
  bool data(const std::uint8_t* p, std::size_t n) override {
    if (n > budget) return false;
    budget -= n;
    sum += p[0] + p[n - 1];
    return true;
  }
  void end(const DirEntry&, HRESULT) override {}
  unsigned sum = 0;
};

void walk(IStorage* stg, int depth, unsigned& seen) {
  ComPtr<IEnumSTATSTG> e;
  if (depth > 16 || FAILED(stg->EnumElements(0, nullptr, 0, e.put()))) return;
  STATSTG s;
  ULONG got = 0;
  while (e->Next(1, &s, &got) == S_OK && got == 1 && ++seen < 100000) {
    std::string name = s.pwcsName;
    CoTaskMemFree(s.pwcsName);
    if (s.type == STGTY_STORAGE) {
      ComPtr<IStorage> sub;
      if (SUCCEEDED(stg->OpenStorage(name.c_str(), nullptr, 0, nullptr, 0, sub.put())))
        walk(sub.get(), depth + 1, seen);
    } else if (seen % 16 == 0) {  // random access decodes from a reset point: sample it
      ComPtr<IStream> st;
      if (SUCCEEDED(stg->OpenStream(name.c_str(), nullptr, 0, 0, st.put()))) {
        char buf[64];
        st->Seek(static_cast<std::int64_t>(seen * 977u % 4096), STREAM_SEEK_SET, nullptr);
        st->Read(buf, sizeof buf, &got);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const struct {
    unsigned reset, window, chunk;
    bool compress;
    int files;
    std::size_t page;
  } kinds[] = {{2, 2, 4096, true, 300, 4500},
               {8, 4, 8192, true, 60, 3000},
               {1, 1, 4096, true, 600, 300},
               {2, 2, 4096, false, 40, 2000}};
  for (const auto& k : kinds) {
    Base b;
    if (!writeBase(k.reset, k.window, k.chunk, k.compress, k.files, k.page, b)) std::abort();
    bases.push_back(std::move(b));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const Base& base = bases[data[0] % bases.size()];
  std::vector<std::uint8_t> bytes = base.bytes;
  mutate(base, bytes, data + 1, size - 1);

  ComPtr<IStorage> root;
  if (FAILED(openReadStorageFromMemory(bytes.data(), bytes.size(), root.put()))) return 0;
  auto file = containerOf(root.get());
  std::vector<std::size_t> all(file->entries().size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  Sink sink;
  readEntries(*file, all, sink, 2);
  unsigned seen = 0;
  walk(root.get(), 0, seen);
  for (std::size_t i = 0; i < all.size(); i += 7) seen += file->find(file->entries()[i].name) >= 0;
  return sink.sum + seen == 0xFFFFFFFF;  // keeps the work from being optimised away
}
