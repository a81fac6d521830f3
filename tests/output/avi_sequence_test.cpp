#include <gtest/gtest.h>

#include <vector>

#include "run/flood_animation.h"

namespace velkaro {
namespace {

std::vector<double> LevelsOf(const std::vector<FloodStep>& steps, FloodPhase phase) {
  std::vector<double> levels;
  for (const FloodStep& s : steps)
    if (s.phase == phase) levels.push_back(s.level);
  return levels;
}

TEST(FloodSequence, HoldsRiseAndFallInOrder) {
  const std::vector<FloodStep> steps = FloodFrameSequence(0, 6, 1, 5);
  ASSERT_EQ(steps.size(), 13u);
  const FloodPhase order[] = {FloodPhase::FirstHold, FloodPhase::Rise, FloodPhase::Rise, FloodPhase::Rise,
                              FloodPhase::Rise,      FloodPhase::Rise, FloodPhase::TopHold,
                              FloodPhase::Fall,      FloodPhase::Fall, FloodPhase::Fall,
                              FloodPhase::Fall,      FloodPhase::Fall, FloodPhase::BottomHold};
  const double levels[] = {0, 1, 2, 3, 4, 5, 6, 5, 4, 3, 2, 1, 0};
  const int frames[] = {5, 1, 1, 1, 1, 1, 5, 1, 1, 1, 1, 1, 5};
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].phase, order[i]) << "step " << i;
    EXPECT_NEAR(steps[i].level, levels[i], 1e-12) << "step " << i;
    EXPECT_EQ(steps[i].frames, frames[i]) << "step " << i;
  }
  EXPECT_EQ(FloodFrameCount(0, 6, 1, 5), 25u);  // the stream declares 26
}

TEST(FloodSequence, FrameCountsAndTopLevel) {
  struct Row {
    double bottom, top, interval;
    int fps;
    size_t rise, fall;
    double topHold;
    uint64_t frames;
  };
  const Row rows[] = {
      {0, 6, 1, 5, 5, 5, 6.0, 25},
      // The rise stops at 5.8 + 0.5: the first level not below 6 - 0.009.
      {0.3, 6, 0.5, 5, 11, 11, 6.3, 37},
      // Top within one step (+ 0.009) of the bottom: no rise, hold at B + I.
      {0, 1.009, 1, 2, 0, 0, 1.0, 6},
      {2, 2.4, 0.5, 3, 0, 0, 2.5, 9},
      // Small steps drift when added up; the fall still ends where the rise
      // began instead of showing the bottom level once more before the hold.
      {0, 5, 0.01, 1, 499, 499, 5.0, 1001},
      {0, 5, 0.03, 1, 166, 166, 5.01, 335},
  };
  for (const Row& row : rows) {
    const std::vector<FloodStep> steps = FloodFrameSequence(row.bottom, row.top, row.interval, row.fps);
    const std::string name = "B " + std::to_string(row.bottom) + " T " + std::to_string(row.top) + " I " +
                             std::to_string(row.interval);
    EXPECT_EQ(LevelsOf(steps, FloodPhase::Rise).size(), row.rise) << name;
    EXPECT_EQ(LevelsOf(steps, FloodPhase::Fall).size(), row.fall) << name;
    const std::vector<double> top = LevelsOf(steps, FloodPhase::TopHold);
    ASSERT_EQ(top.size(), 1u) << name;
    EXPECT_NEAR(top[0], row.topHold, 1e-9) << name;
    EXPECT_EQ(FloodFrameCount(row.bottom, row.top, row.interval, row.fps), row.frames) << name;
    EXPECT_EQ(steps.back().phase, FloodPhase::BottomHold) << name;
    EXPECT_EQ(steps.back().level, row.bottom) << name;
  }
}

}  // namespace
}  // namespace velkaro
