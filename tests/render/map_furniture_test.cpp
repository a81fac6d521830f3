#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <tuple>

#include "render/gl_view.h"
#include "render/map_furniture.h"
#include "render/render_tile.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kFill = 0x336699;

int T(double v) { return static_cast<int>(std::trunc(v)); }

// A 640 x 480 still tile of 200 x 200 map units, one pixel per unit.
class MapFurnitureTest : public ::testing::Test {
 protected:
  MapFurnitureTest() : t(640, 480, 200, 200) {
    t.job.settings.type = 0;
    t.job.settings.namae = "地図";
    map = MapRect(t.job);
  }
  void FillSurface(Colour c) {
    t.surface->beginPixels().fill(QColor(RedOf(c), GreenOf(c), BlueOf(c)));
  }
  void WithLegend(int steps, double interval, double bottom) {
    t.job.settings.alti[0] = true;
    t.job.legendSteps = steps;
    t.job.legendIntervalM = {interval};
    t.job.legendBottomM = {bottom};
    t.job.elevGrid.elevMax = bottom + steps * interval;   // the tile has elevation data
    t.job.elevGrid.elevMin = bottom;
  }
  // Row in the middle of legend box k (still-image geometry).
  int LegendBoxRow(int k, double L) {
    const double H = 480, hb = std::min(H / 3 / t.job.legendSteps, H / 48) * 0.7;
    return T(H - (k + 0.5) * hb - L);
  }
  int LegendBoxColumn() { return T(map.left - 0.065 * 640); }

  test::TestJob t;
  PixelRectF map;
};

TEST_F(MapFurnitureTest, ScaleBarLinesAndTicksLandWhereTheConstantsPutThem) {
  t.job.constants.scaleBarStart = 120;
  t.job.constants.scaleBarUnit = 100;
  t.job.constants.scaleBarCount = 4;
  FillSurface(kFill);
  DrawFurniture(t.job);

  const int y1 = T(map.bottom + 480.0 / 30), y2 = T(map.bottom + 480.0 / 25);
  ASSERT_GE(y2 - y1, 2);
  const int yMid = (y1 + y2) / 2;
  // Both rails from x(B) to x(B + N S).
  for (int x : {121, 200, 333, 519}) {
    EXPECT_EQ(t.pixel(x, y1), kBlack) << x;
    EXPECT_EQ(t.pixel(x, y2), kBlack) << x;
  }
  EXPECT_NE(t.pixel(119, y1), kBlack);
  EXPECT_NE(t.pixel(521, y1), kBlack);
  // Unit ticks at B + k S and tenth ticks at B + k S / 10 for k = 1..5.
  for (int x : {120, 220, 320, 420, 520, 130, 140, 150, 160, 170}) EXPECT_EQ(t.pixel(x, yMid), kBlack) << x;
  // Between ticks the bar is open: the margin shows through.
  for (int x : {175, 185, 195, 270, 370, 470}) EXPECT_EQ(t.pixel(x, yMid), kWhite) << x;

  // A lat/lon tile 3 degrees or more high has no bar.
  t.job.coords.latLonMode = true;
  FillSurface(kFill);
  DrawFurniture(t.job);
  for (int x : {121, 200, 333, 519}) EXPECT_EQ(t.pixel(x, y1), kWhite) << x;
}

TEST_F(MapFurnitureTest, LegendShowsTheClassColoursInOrderFromTheBottom) {
  WithLegend(4, 10, 0);
  t.job.settings.iro = 6;
  t.job.datumOffset = 12;
  t.job.constants = {0, 100, 120, 4, 0};
  DrawFurniture(t.job);
  if (const char* png = std::getenv("VELKARO_FURNITURE_PNG")) t.surface->frame().save(png);
  const double L = 0.05 * 480;
  for (int k = 0; k <= 4; ++k)
    EXPECT_EQ(t.pixel(LegendBoxColumn(), LegendBoxRow(k, L)), rgb(k, 4, 1.0f, 6)) << "class " << k;
  // Nothing above the top class.
  EXPECT_EQ(t.pixel(LegendBoxColumn(), LegendBoxRow(6, L)), kWhite);
  // The tip of a black pointer at each labelled boundary 0, 10, 20, 30 m.
  const double hb = std::min(480.0 / 3 / 4, 480.0 / 48) * 0.7;
  for (int v : {0, 10, 20, 30}) {
    const double y = 480 - hb / 10 * v - L - hb;
    EXPECT_EQ(t.pixel(T(map.left - 0.05 * 640), T(y)), kBlack) << v;
    EXPECT_NE(t.pixel(T(map.left - 0.05 * 640), T(y) + 3), kBlack) << v;
  }
}

TEST_F(MapFurnitureTest, MountainShadingLegendRunsFromHalfToFullBrightness) {
  WithLegend(4, 10, 0);
  t.job.settings.shadow = true;
  t.job.settings.shadowmd = 1;
  DrawFurniture(t.job);
  const double L = 0.05 * 480;
  for (int k : {0, 4}) {
    // The last pixel column of the nearest and of the farthest shade.
    EXPECT_EQ(t.pixel(T(map.left - 0.05 * 640) - 1, LegendBoxRow(k, L)), rgb(k, 4, 0.5f, 6)) << k;
    EXPECT_EQ(t.pixel(T(map.left - 0.08 * 640) - 1, LegendBoxRow(k, L)), rgb(k, 4, 15 / 30.0f + 0.5f, 6)) << k;
  }
}

TEST_F(MapFurnitureTest, AnimationLegendStartsAtTheWaterLevelAndMeasuresTheFlood) {
  WithLegend(4, 10, 0);
  t.job.settings.type = 1;
  t.job.waterLevel = 15;   // in class 2, which holds 10..20 m
  t.job.elevation.floodCellArea = 500;
  t.surface->tile().dryTriangleCount = 40;
  t.job.baselineDryCount = 0;
  DrawFurniture(t.job);
  const double L = 0.07 * 480;
  EXPECT_EQ(t.pixel(LegendBoxColumn(), LegendBoxRow(0, L)), kWhite);
  EXPECT_EQ(t.pixel(LegendBoxColumn(), LegendBoxRow(1, L)), kWhite);
  for (int k = 2; k <= 4; ++k) EXPECT_EQ(t.pixel(LegendBoxColumn(), LegendBoxRow(k, L)), rgb(k, 4, 1.0f, 6));
  // The first frame fixes the baseline; a later frame with fewer dry
  // triangles keeps it.
  EXPECT_EQ(t.job.baselineDryCount, 40);
  t.surface->tile().dryTriangleCount = 10;
  DrawFurniture(t.job);
  EXPECT_EQ(t.job.baselineDryCount, 40);
}

TEST_F(MapFurnitureTest, GeoTiffTilesAndAbortedJobsGetNoFurniture) {
  for (auto [type, run] : {std::tuple{2, true}, std::tuple{0, false}}) {
    t.job.settings.type = type;
    t.job.runFlag = run;
    FillSurface(kFill);
    const QImage before = t.surface->frame().copy();
    DrawFurniture(t.job);
    EXPECT_EQ(t.surface->frame(), before) << "type " << type << " run " << run;
  }
  t.job.settings.type = 0;
  t.job.runFlag = true;
  DrawFurniture(t.job);
  EXPECT_EQ(t.pixel(5, 470), kWhite) << "margins are painted for a still tile";
  EXPECT_EQ(t.pixel(T(map.left), T(map.top) + 50), kBlack) << "map frame";
}

TEST(MapFurnitureTexts, ScaleBarLabels) {
  // The label states the bar's own length: a lat/lon bar of 11 units of
  // 100 m is 1.1 km, not "1km".
  for (auto [metres, label, number] : {std::tuple{1500.0, "1.5km", "1.5"}, std::tuple{800.0, "800m", "800"},
                                       std::tuple{1000.0, "1km", "1"}, std::tuple{20000.0, "20km", "20"},
                                       std::tuple{1100.0, "1.1km", "1.1"}, std::tuple{2500.0, "2.5km", "2.5"}}) {
    EXPECT_EQ(ScaleBarLabel(metres), label);
    EXPECT_EQ(ScaleBarNumber(metres), number);
  }
}

TEST(MapFurnitureTexts, LegendLabelPlans) {
  struct Case { int n; double interval, bottom, first, step; int decimals; };
  for (const Case& c : {Case{4, 10, 0, 30, 10, 0}, Case{4, 2.5, 0, 7.5, 2.5, 1}, Case{4, 0.25, 0, 0.75, 0.25, 2},
                        Case{4, 10, 0.5, 30.5, 10, 1}, Case{32, 10, 0, 300, 20, 0},
                        Case{32, 0.5, 0, 15, 1, 0}, Case{32, 0.05, 0, 1.5, 0.1, 1}}) {
    const LegendLabelPlan p = PlanLegendLabels(c.n, c.interval, c.bottom);
    EXPECT_NEAR(p.first, c.first, 1e-9) << c.n << " " << c.interval;
    EXPECT_NEAR(p.step, c.step, 1e-9) << c.n << " " << c.interval;
    EXPECT_EQ(p.decimals, c.decimals) << c.n << " " << c.interval;
  }
}

TEST(MapFurnitureTexts, CaptionsAndCoordinateLabels) {
  EXPECT_EQ(ContourCaption(10, 1, 0), "等高線間隔 10m");
  EXPECT_EQ(ContourCaption(2.5, 1, 0), "等高線間隔 2.5m");
  EXPECT_EQ(ContourCaption(0.25, 1, 0), "等高線間隔 0.25m");
  EXPECT_EQ(ContourCaption(5, 0, 0), "等高線間隔 5m 窪地以外");
  EXPECT_EQ(ContourCaption(5, 3, 13), "等高線間隔 5m 窪地のみ(面描画) 32768節未満省略");
  EXPECT_EQ(FloodAreaCaption(1234567.4), "浸水面積 1,234,567㎡");
  EXPECT_EQ(FloodAreaCaption(999), "浸水面積 999㎡");
  EXPECT_EQ(CoordinateLabel(0.1 * 3), "0.3");
  EXPECT_EQ(CoordinateLabel(-150000), "-150000");
}

}  // namespace
}  // namespace velkaro
