#include "its/count_streams.h"

#include <string>

#include "common/messages.h"
#include "its/element_walk.h"
#include "its/its_storage.h"

namespace {

// The string id of "cannot open" (IDS_CANNOT_OPEN).
constexpr unsigned kMsgCannotOpen = 20482;

class StreamCounter : public ElementAction {
 public:
  explicit StreamCounter(bool includeSystem) : includeSystem_(includeSystem) {}
  WalkStep storage(const WalkElement&) override { return WalkStep::Continue; }
  WalkStep stream(const WalkElement& element) override {
    if (includeSystem_ || !element.isSystemName()) ++count;
    return WalkStep::Continue;
  }
  std::int32_t count = 0;

 private:
  bool includeSystem_;
};

}  // namespace

std::int32_t countStreams(const char* path, bool includeSystem, const BusyHook& busy) {
  ItsStorage storage;
  if (itss::FAILED(storage.open(path))) {
    storage.close();
    ShowFormattedMessage(kMsgCannotOpen, path, MB_ICONWARNING);
    return -1;
  }
  if (busy) busy(true);
  StreamCounter counter(includeSystem);
  walkElements(storage.root(), std::string(), counter);
  if (busy) busy(false);
  storage.close();
  return counter.count;
}
