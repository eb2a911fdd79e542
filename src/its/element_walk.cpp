#include "its/element_walk.h"

#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"

using namespace itss;

std::string WalkElement::path() const { return subPath.empty() ? name : subPath + "\\" + name; }

bool walkElements(IStorage* root, const std::string& subPath, ElementAction& action) {
  if (!root || !action.enterLevel(subPath)) return root != nullptr;
  ComPtr<IStorage> sub;
  IStorage* level = root;
  if (!subPath.empty()) {
    if (!ItsStorage::nameFits(subPath.c_str()) ||
        FAILED(root->OpenStorage(subPath.c_str(), nullptr, STGM_READ, nullptr, 0, sub.put())) ||
        !sub)
      return false;
    level = sub.get();
  }
  ComPtr<IEnumSTATSTG> elements;
  if (FAILED(level->EnumElements(0, nullptr, 0, elements.put())) || !elements) return false;

  for (;;) {
    STATSTG stat;
    ULONG fetched = 0;
    if (FAILED(elements->Next(1, &stat, &fetched)) || fetched == 0) break;
    const std::string name = ItsStorage::takeName(stat.pwcsName);
    const auto size = static_cast<std::uint32_t>(stat.cbSize);
    WalkStep step;
    if (stat.type == STGTY_STORAGE) {
      WalkElement element{subPath, name, true, 0, level};
      step = action.storage(element);
      if (step == WalkStep::Continue) walkElements(root, element.path(), action);
    } else if (size != 0) {
      step = action.stream(WalkElement{subPath, name, false, size, level});
    } else {
      continue;
    }
    if (step == WalkStep::EndLevel) break;
  }
  elements.reset();
  sub.reset();
  action.leaveLevel(subPath);
  return true;
}
