// main() of the test programs whose tests need a QApplication. Windows are real: they
// run on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no window system.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--no-gui") == 0) return RUN_ALL_TESTS();
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
#ifdef ZORVEL_TEST_SCALE_FACTOR
  // A test program of a high-density screen: every window at this device pixel ratio.
  setenv("QT_SCALE_FACTOR", ZORVEL_TEST_SCALE_FACTOR, 1);
#endif
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
