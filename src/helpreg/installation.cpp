#include "helpreg/installation.h"

#include <cstdlib>

#include "common/messages.h"
#include "common/string_utils.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"

namespace helpreg {

bool useWinePrefix(const std::string& folder, std::string* problem) {
  std::string prefix = FullPathName(folder);
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  if (!sysdirs::exists(prefix + "/system.reg") || !sysdirs::isFolder(prefix + "/dosdevices")) {
    if (problem) *problem = FormatMessageText(LoadStr(IDS_NOT_A_WINE_PREFIX), prefix);
    return false;
  }
  // Everything that maps Windows paths or folders asks the environment.
  ::setenv("WRENLOW_WINEPREFIX", prefix.c_str(), 1);
  reg::useFolder(prefix, true);
  return true;
}

std::string writeRefusal() {
  const std::string prefix = sysdirs::winePrefix();
  if (prefix.empty() || !sysdirs::wineServerRunning(prefix)) return {};
  return FormatMessageText(LoadStr(IDS_WINE_SERVER_RUNNING), prefix);
}

}  // namespace helpreg
