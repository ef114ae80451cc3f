// Entry point of the Linux tests that need a Qt application: one exists when the private X server
// of tools/test is there, and the tests that need it skip otherwise.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

#include "tests/support/skips.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QApplication> app;
  if (std::getenv("HUSHDIAL_TEST_X11") && std::getenv("DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    app = std::make_unique<QApplication>(argc, argv);
  }
  return hush::test::RunAllTests();
}
