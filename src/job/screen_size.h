#pragma once
// Size of the primary screen, for the "ScreenSize" image preset and the index
// image. Without a running QGuiApplication or screen (command line, tests) it
// is 1920 x 1080.

namespace velkaro {

struct ScreenSize {
  int width = 1920;
  int height = 1080;
};

ScreenSize PrimaryScreenSize();

}  // namespace velkaro
