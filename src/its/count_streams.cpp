#include "its/count_streams.h"

#include <string>

#include "common/messages.h"
#include "its/element_walk.h"
#include "its/its_storage.h"
#include "res/ids.h"

namespace {

class StreamCounter : public ElementAction {
 public:
  explicit StreamCounter(bool includeSystem) : includeSystem_(includeSystem) {}
  // A system storage ("$WWKeywordLinks/") is passed over whole, as the
  // decompile run passes it over, so that a count used as a progress range
  // matches the streams the run will meet.
  WalkStep storage(const WalkElement& element) override {
    return includeSystem_ || !element.isSystemName() ? WalkStep::Continue : WalkStep::Skip;
  }
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
    ShowFormattedMessage(IDS_CANNOT_OPEN, path, MB_ICONWARNING);
    return -1;
  }
  if (busy) busy(true);
  StreamCounter counter(includeSystem);
  walkElements(storage.root(), std::string(), counter);
  if (busy) busy(false);
  storage.close();
  return counter.count;
}
