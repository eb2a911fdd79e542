#include "platform/itss/com_object.h"

#include <cstdlib>
#include <cstring>

namespace itss {

char* dupName(const std::string& s) {
  auto* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (p) std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

HRESULT ElementEnum::Next(ULONG celt, STATSTG* rgelt, ULONG* fetched) {
  if (!rgelt) return STG_E_INVALIDPOINTER;
  ULONG n = 0;
  for (; n < celt && next_ < elements_.size(); ++n, ++next_) {
    const EnumElement& e = elements_[next_];
    STATSTG s;
    s.pwcsName = dupName(e.name);
    if (!s.pwcsName) {
      if (fetched) *fetched = n;
      return E_OUTOFMEMORY;
    }
    s.type = e.type;
    s.cbSize = e.size;
    s.grfMode = e.mode;
    rgelt[n] = s;
  }
  if (fetched) *fetched = n;
  return n == celt ? S_OK : S_FALSE;
}

HRESULT ElementEnum::Skip(ULONG celt) {
  const std::size_t left = elements_.size() - next_;
  next_ += celt < left ? celt : left;
  return celt <= left ? S_OK : S_FALSE;
}

HRESULT ElementEnum::Reset() {
  next_ = 0;
  return S_OK;
}

}  // namespace itss
