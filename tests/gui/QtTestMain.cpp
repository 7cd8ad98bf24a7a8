#include <gtest/gtest.h>

#include <QApplication>

#include "platform/real/RealPlatform.h"

// The adapters need a real application object on the X display (xvfb-run in CI).
int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  platform::real::PrepareProcess();
  QApplication application(argc, argv);
  const int result = RUN_ALL_TESTS();
  // Windows the tests let go of are deleted before the browser engine shuts down.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}
