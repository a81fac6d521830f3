// The per-tile grid: snapping, the contour margin, the tile window, the
// budget limits and the bulging northern edge of a plane-zone tile.
#include <gtest/gtest.h>

#include <cmath>

#include "elevation/elevation_grid.h"
#include "elevation/grid_projector.h"
#include "elevation/messages.h"
#include "elevation_test_support.h"

namespace velkaro {
namespace {

constexpr double kCell5 = 1.0 / 18000;
constexpr double kShare = 2097152.0 * 8 / 10;

TEST(SizeElevationGrid, SnapsOutwardAndWindowsTheWholeGridWithoutMargin) {
  ElevationGrid g;
  const GeoBox box{139.0001, 35.0001, 139.0101, 35.0101};
  ASSERT_EQ(SizeElevationGrid(box, kCell5, kCell5, false, kShare, g), GridSizing::Ok);
  EXPECT_DOUBLE_EQ(g.tileLonW, std::trunc(139.0001 / kCell5 - 1) * kCell5);
  EXPECT_DOUBLE_EQ(g.tileLatN, std::trunc(35.0101 / kCell5 + 2) * kCell5);
  EXPECT_LE(g.tileLonW, box.lonW - kCell5 * 0.999);   // at least one cell of pad west
  EXPECT_GE(g.tileLonE, box.lonE + kCell5 * 0.999);   // and east
  EXPECT_EQ(g.gridLonW, g.tileLonW);
  EXPECT_EQ(g.gridCols, static_cast<int>(std::floor((g.tileLonE - g.tileLonW) / kCell5 + 0.999)));
  EXPECT_EQ(g.winCol0, 0);
  EXPECT_EQ(g.winRow0, 0);
  EXPECT_EQ(g.winCol1, g.gridCols);
  EXPECT_EQ(g.winRow1, g.gridRows);
  EXPECT_LT(g.elevMax, g.elevMin);
}

TEST(SizeElevationGrid, ContourMarginFillsTheMeshShare) {
  struct Case {
    GeoBox box;
    double limit;
  };
  const Case cases[] = {
      {{139.0, 35.0, 139.01, 35.01}, kShare},          // square tile, default budget
      {{139.0, 35.0, 139.03, 35.002}, kShare},         // wide, low tile
      {{139.0, 35.0, 139.01, 35.01}, kShare * 3},      // raised budget
  };
  for (const Case& c : cases) {
    ElevationGrid g;
    ASSERT_EQ(SizeElevationGrid(c.box, kCell5, kCell5, true, c.limit, g), GridSizing::Ok);
    const int m = g.winCol0;
    EXPECT_GT(m, 0);
    EXPECT_EQ(g.winRow0, m);
    EXPECT_EQ(g.gridCols - g.winCol1, m);
    EXPECT_EQ(g.gridRows - g.winRow1, m);
    EXPECT_LE(double(g.gridCols) * g.gridRows, c.limit);
    // One more cell of margin on every side would not fit.
    EXPECT_GT(double(g.gridCols + 2) * (g.gridRows + 2), c.limit);
    EXPECT_NEAR(g.gridLonW, g.tileLonW - m * kCell5, 1e-12);
  }
}

TEST(SizeElevationGrid, RefusesGridsOverTheShareAndEmptyGrids) {
  ElevationGrid g;
  // About 0.15 degrees square of 5 m cells: over 1.6 million cells.
  EXPECT_EQ(SizeElevationGrid({139.0, 35.0, 139.15, 35.15}, kCell5, kCell5, false, kShare, g),
            GridSizing::OverBudget);
  EXPECT_EQ(SizeElevationGrid({139.0, 35.0, 139.15, 35.15}, kCell5, kCell5, true, kShare, g),
            GridSizing::OverBudget);
  // A long thin strip that would exceed the 16-bit column count.
  EXPECT_EQ(SizeElevationGrid({139.0, 35.0, 143.0, 35.0001}, kCell5, kCell5, false, 1e9, g),
            GridSizing::OverBudget);
  EXPECT_EQ(SizeElevationGrid({NAN, NAN, NAN, NAN}, kCell5, kCell5, false, kShare, g), GridSizing::Empty);
}

TEST(CurrentTileGeoBox, TakesTheNorthernLatitudeFromTheBulgeOfTheEdge) {
  test::ElevationJob job;
  JobContext& ctx = job.job();
  ASSERT_TRUE(SetZoneNumber(ctx.coords, 9, 1.0));   // origin 36N 139 50E
  // A tile 20 km wide straddling the central meridian.
  ctx.tile.west = -10000;
  ctx.tile.east = 10000;
  ctx.tile.south = 50000;
  ctx.tile.north = 60000;
  const GeoBox box = CurrentTileGeoBox(ctx);
  const double cornerLat = std::max(xytobl(ctx.coords, -10000, 60000).lat, xytobl(ctx.coords, 10000, 60000).lat);
  const double middleLat = xytobl(ctx.coords, 0, 60000).lat;
  EXPECT_GT(middleLat, cornerLat);
  EXPECT_NEAR(box.latN, middleLat, 1e-6);   // the inversion stops within centimetres
  EXPECT_NEAR(box.lonW, std::min(xytobl(ctx.coords, -10000, 50000).lon, xytobl(ctx.coords, -10000, 60000).lon), 1e-6);
}

TEST(PrepareElevationGrid, FillsTheGridWithNoDataWhenThereIsNoFolder) {
  test::ElevationJob job;
  JobContext& ctx = job.job();
  ctx.datumOffset = 2.5;
  ctx.settings.meshfolder.clear();
  ctx.tile = CurrentTile{0, 0, 139.0, 139.002, 35.002, 35.0};
  ASSERT_TRUE(PrepareElevationGrid(ctx));
  const ElevationGrid& g = ctx.elevGrid;
  ASSERT_GT(g.gridCols, 30);
  for (int i = 0; i < g.gridCols * g.gridRows; ++i) ASSERT_EQ(job.pool[i].x, 2.5 - 9999);
  EXPECT_LT(g.elevMax, g.elevMin);
}

TEST(PrepareElevationGrid, ShowsTheLimitMessageAndStopsTheJob) {
  struct Case {
    bool contours;
    int taisyo;
  };
  for (const Case c : {Case{false, 1}, Case{true, 1}, Case{true, 0}, Case{true, 3}}) {
    test::ElevationJob job(0, c.contours);
    JobContext& ctx = job.job();
    ctx.settings.taisyo = c.taisyo;
    ctx.tile = CurrentTile{0, 0, 139.0, 139.2, 35.2, 35.0};
    EXPECT_FALSE(PrepareElevationGrid(ctx));
    EXPECT_FALSE(ctx.runFlag);
    EXPECT_EQ(job.host.lastTitle, elevation_text::kGridOverBudgetCaption);
    EXPECT_EQ(job.host.lastText, "占有メモリーの拡大や描画範囲の分割が必要です");
  }
}

TEST(PrepareElevationGrid, WidensTheGridOnlyForDepressionAwareContours) {
  for (int taisyo : {0, 1, 2, 3}) {
    test::ElevationJob job(0, true);
    JobContext& ctx = job.job();
    ctx.settings.taisyo = taisyo;
    ctx.settings.meshfolder.clear();
    ctx.tile = CurrentTile{0, 0, 139.0, 139.01, 35.01, 35.0};
    ASSERT_TRUE(PrepareElevationGrid(ctx));
    EXPECT_EQ(ctx.elevGrid.winCol0 > 0, taisyo != 1) << "taisyo " << taisyo;
  }
}

}  // namespace
}  // namespace velkaro

namespace velkaro {
namespace {

TEST(GridProjector, InterpolatesPlanePositionsWithinMillimetres) {
  struct Case {
    int zone, kind;
    double lonW, latN, tolerance;
  };
  // 5 m and 250 m cells, near and far from the zone's central meridian.
  const Case cases[] = {{9, 0, 139.80, 35.70, 0.001},
                        {9, 0, 141.5, 36.2, 0.001},
                        {13, 0, 145.6, 44.0, 0.001},
                        {2, 3, 129.0, 33.5, 0.005}};   // 250 m cells: interpolated inside a cell only
  for (const Case& c : cases) {
    test::ElevationJob job(c.kind);
    JobContext& ctx = job.job();
    ASSERT_TRUE(SetZoneNumber(ctx.coords, c.zone, 1.0));
    job.plainGrid(300, 300, 0);
    ctx.elevGrid.gridLonW = c.lonW;
    ctx.elevGrid.gridLatN = c.latN;
    const GridProjector projector(ctx);
    double worst = 0;
    for (double x = 0; x < 299; x += 3.7)
      for (double y = 0.3; y < 299; y += 5.3) {
        const PlaneXY exact = bltoxy(ctx.coords, c.lonW + (x + 0.5) * ctx.elevGrid.cellLon,
                                     c.latN - (y + 0.5) * ctx.elevGrid.cellLat);
        const PlaneXY near = projector.at(x, y);
        worst = std::max(worst, std::hypot(exact.x - near.x, exact.y - near.y));
      }
    EXPECT_LT(worst, c.tolerance) << "zone " << c.zone << " kind " << c.kind;
  }
}

}  // namespace
}  // namespace velkaro
