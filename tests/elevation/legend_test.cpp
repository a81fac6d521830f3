// Automatic legend steps: histogram bottom, interval scale, the three
// rounding tables, top fitting and bottom snapping, and the animation legend.
#include <gtest/gtest.h>

#include <algorithm>

#include "elevation/auto_legend.h"
#include "elevation_test_support.h"

namespace velkaro {
namespace {

// A 12 x 12 grid whose 10 x 10 counted cells hold 100 + k, k = 0 … 99; the
// first and last rows and columns of the window are not counted.
struct RampJob : test::ElevationJob {
  RampJob() {
    plainGrid(12, 12, 5000.0);   // the uncounted frame is far off the ramp
    for (int k = 0; k < 100; ++k) at(1 + k / 10, 1 + k % 10) = 100 + k;
  }
  Legend legend(const LegendOptions& o) {
    return StillImageLegend(ValuesOf(ctx->elevGrid, pool), ctx->elevGrid, ctx->datumOffset, o);
  }
};

TEST(StillImageLegend, ComputesBottomAndIntervalFromTheHistogram) {
  struct Case {
    const char* name;
    LegendOptions options;
    double interval, bottom;
  };
  const Case cases[] = {
      // i = 6 bins below N/17, l = 100; raw interval 94/99 x 99/16 x 1.2 = 7.05 -> 7;
      // the top is slid to the maximum: 199 - 15 x 7 = 94, snapped to 91.
      {"defaults", {16, 2, 5, false, 0}, 7, 91},
      // n = 1: half the cells below the bottom (i = 50), no fitting, bottom to centimetres.
      {"two classes", {1, 2, 5, false, 0}, 60, 149.5},
      // Kamen 0 puts the bottom at the minimum 100 before snapping; kankaku 4 skips
      // the fitting. Raw 100/99 x 99/4 x 4/5 x 1.2 = 24, bottom snapped to 96.
      {"kamen 0", {4, 0, 4, false, 0}, 24, 96},
      // Thick lines every 10 m: raw 100/99 x 99/8 x 1.2 = 15 -> 50/3 from the 1-10-100
      // table; the top slides to 199 - 7 x 50/3 = 82.33, snapped to 4 x 50/3.
      {"thick every 10 m", {8, 0, 5, true, 3}, 50.0 / 3, 200.0 / 3},
  };
  for (const Case& c : cases) {
    RampJob job;
    const Legend legend = job.legend(c.options);
    EXPECT_DOUBLE_EQ(legend.interval, c.interval) << c.name;
    EXPECT_NEAR(legend.bottom, c.bottom, 1e-9) << c.name;
  }
}

TEST(StillImageLegend, DegenerateTiles) {
  {
    RampJob job;   // kankaku 0: the interval falls to the 1 cm floor
    EXPECT_DOUBLE_EQ(job.legend({16, 2, 0, false, 0}).interval, 0.01);
  }
  {
    test::ElevationJob job;   // a flat tile still gets a range
    job.plainGrid(6, 6, 50.0);
    const Legend legend = StillImageLegend(ValuesOf(job.ctx->elevGrid, job.pool), job.ctx->elevGrid, 0, {});
    // max = min + 1.5; every cell in the lowest bin, so the bottom is one bin
    // (1.5 cm) above the minimum, snapped to the 1 cm interval.
    EXPECT_EQ(legend.interval, 0.01);
    EXPECT_NEAR(legend.bottom, 50.01, 1e-9);
  }
  {
    // No valid cell: a neutral legend, never the extremes of the empty
    // range (a bottom of 1e38 with a 1 cm interval drew a 38-digit label
    // and ran the label loop for seconds).
    test::ElevationJob job;
    job.plainGrid(6, 6, -9999.0);
    const Legend legend = StillImageLegend(ValuesOf(job.ctx->elevGrid, job.pool), job.ctx->elevGrid, 0, {});
    EXPECT_EQ(legend.bottom, 0.0);
    EXPECT_EQ(legend.interval, 1.0);
  }
  {
    RampJob job;   // few classes and a high kamen: the bottom scan stops after the last bin
    const Legend legend = job.legend({2, 10, 4, false, 0});
    EXPECT_LE(legend.bottom, 200.0);
    EXPECT_GE(legend.interval, 0.01);
  }
}

TEST(RoundLegendInterval, FollowsTheLadderAndTheThickLineTables) {
  struct Case {
    double raw;
    bool contours;
    int lineweight;
    double expected;
  };
  const Case cases[] = {
      {0.037, false, 0, 0.03},      {0.37, false, 0, 0.35},      {1.7, false, 0, 1.6},
      {7.05, false, 0, 7},          {24.3, false, 0, 24},        {730, false, 0, 700},
      {1.7, true, 0, 1.6},          {60000.7, false, 0, 60000},  {60000.7, true, 0, 60000},
      {1.7, true, 3, 5.0 / 3},      {1.83, true, 1, 5.0 / 3},    {1.84, true, 7, 2},
      {3.0, true, 2, 2.5},          {3.75, true, 4, 2.5},        {3.76, true, 6, 5},
      {0.02, true, 2, 1.0 / 60},    {0.02, true, 3, 0.02},       {9000000, true, 3, 9000000},
      {0.001, true, 5, 0.01},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(RoundLegendInterval(c.raw, c.contours, c.lineweight), c.expected, 1e-12)
        << c.raw << " contours " << c.contours << " lineweight " << c.lineweight;
}

TEST(AutoLegend, WritesTheTileCellsInJobUnits) {
  RampJob job;
  JobContext& ctx = job.job();
  ctx.grid.cols = 2;
  ctx.grid.rows = 2;
  ctx.settings.legendInterval.resize(2, 2);
  ctx.settings.legendBottom.resize(2, 2);
  ctx.coords.unitScale = 100;   // cm
  AutoLegend(ctx, 1, 0);
  EXPECT_EQ(ctx.settings.legendInterval.cell(1, 0), "700");
  EXPECT_EQ(ctx.settings.legendBottom.cell(1, 0), "9100");
  EXPECT_EQ(ctx.legendIntervalM.at(2), 7);
  EXPECT_EQ(ctx.legendBottomM.at(2), 91);
  EXPECT_EQ(ctx.settings.legendInterval.cell(0, 0), "");

  ctx.settings.cont[0] = true;
  ctx.settings.lineweight = 3;
  ctx.legendSteps = 8;
  ctx.settings.kamen = 0;
  ctx.coords.unitScale = 1;
  AutoLegend(ctx, 0, 1);
  EXPECT_EQ(ctx.settings.legendInterval.cell(0, 1), "16.666666666666668");
}

TEST(AutoLegend, AnimationSpreadsTheClassesOverTheWaterLevels) {
  test::ElevationJob job;
  JobContext& ctx = job.job();
  ctx.settings.type = 1;
  ctx.movieTop = 6.0;
  ctx.movieBtm = 0.5;
  ctx.legendSteps = 16;
  ctx.coords.unitScale = 1000;
  AutoLegend(ctx, 0, 0);
  // 5.5 m over 15 intervals is 0.3667 m, rounded up to whole centimetres.
  EXPECT_EQ(ctx.settings.legendInterval.cell(0, 0), "370.00");
  EXPECT_EQ(ctx.settings.legendBottom.cell(0, 0), "500.00");
  EXPECT_DOUBLE_EQ(AnimationLegend(6, 0, 4).interval, 2);
}

// The job-wide legend comes from the elevations of all tiles together, by
// the same rules as one tile's.
TEST(JobWideLegend, ElevationsOfAllTilesGiveTheLegendOfOneTileHoldingThemAll) {
  RampJob job;
  const LegendOptions options{16, 2, 5, false, 0};
  std::vector<double> ramp;
  for (int k = 0; k < 100; ++k) ramp.push_back(100 + k);
  const Legend alone = LegendOfElevations(ramp, options);
  const Legend tile = job.legend(options);
  EXPECT_EQ(alone.interval, tile.interval);
  EXPECT_EQ(alone.bottom, tile.bottom);

  // Two halves of the ramp, as two tiles would give them.
  ElevationSample sample;
  for (int k = 0; k < 50; ++k) sample.add(100 + k);
  for (int k = 50; k < 100; ++k) sample.add(100 + k);
  const Legend joined = LegendOfElevations(sample.values, options);
  EXPECT_EQ(joined.interval, tile.interval);
  EXPECT_EQ(joined.bottom, tile.bottom);

  // A tile window adds the cells the tile's own legend counts.
  ElevationSample fromWindow;
  fromWindow.addTileWindow(ValuesOf(job.ctx->elevGrid, job.pool), job.ctx->elevGrid, 0);
  EXPECT_EQ(fromWindow.values.size(), 100u);
}

TEST(JobWideLegend, SampleStaysBoundedAndEven) {
  ElevationSample sample(1000);
  for (int k = 0; k < 1'000'000; ++k) sample.add(k);
  EXPECT_LT(sample.values.size(), 1000u);
  EXPECT_GT(sample.values.size(), 250u);
  // Values from the whole run, not only its start.
  EXPECT_LT(*std::min_element(sample.values.begin(), sample.values.end()), 10000.0);
  EXPECT_GT(*std::max_element(sample.values.begin(), sample.values.end()), 990000.0);
  // No data at all: the neutral legend.
  const Legend none = LegendOfElevations({}, {});
  EXPECT_EQ(none.interval, 1.0);
  EXPECT_EQ(none.bottom, 0.0);
}

}  // namespace
}  // namespace velkaro
