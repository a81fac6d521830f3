// The main of every test program: the tests draw with Qt's image and font
// machinery and open widgets, so without a display of their own they run on
// Qt's offscreen platform. A platform chosen in the environment is kept.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
