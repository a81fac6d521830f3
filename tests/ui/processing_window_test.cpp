#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "scripted_desktop.h"
#include "ui/processing_window.h"

namespace velkaro {
namespace {

// A frame shown too soon after the last one waits for a later pump; the
// image it came from may be gone by then (a driver's own surface is
// destroyed when the driver returns, and the driver pumps once more).
TEST(ProcessingWindow, AWaitingFrameOutlivesTheImageItCameFrom) {
  ScriptedDesktop desktop;
  ProcessingWindow window(desktop);
  window.runStarting();
  QSignalSpy shown(&window, &ProcessingWindow::frameShown);
  auto first = std::make_unique<QImage>(40, 30, QImage::Format_RGB32);
  first->fill(Qt::white);
  window.showImage(*first);
  ASSERT_EQ(shown.count(), 1);

  auto second = std::make_unique<QImage>(40, 30, QImage::Format_RGB32);
  second->fill(Qt::red);
  window.showImage(*second);   // within the frame interval: it waits
  EXPECT_EQ(shown.count(), 1);
  second.reset();
  first.reset();
  QTest::qWait(300);
  window.pump();
  EXPECT_EQ(shown.count(), 2);
  window.runEnded();
}

}  // namespace
}  // namespace velkaro
