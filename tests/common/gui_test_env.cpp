// Linked into every GUI test: the web engine's process settings must be in
// the environment before the first web view exists. Tests run as root on CI,
// where Chromium's sandbox refuses to start, and without a GPU.
#include <cstdlib>

namespace {
const bool kWebEngineEnvironment = [] {
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
  return true;
}();
}  // namespace
