// Browser tests: the its: schemes are registered before the application
// object exists, as the program's main does.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/browser/closed_profile.h"

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The web engine as root and without a GPU (CTest's environment list does
  // not always reach the test).
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
  browser::registerSchemes();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
