#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <set>

#include "job/coordinates.h"
#include "render/gl_view.h"
#include "render/mesh_overlay.h"
#include "render/render_tile.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

// 35°40′15″ N, 139°45′20″ E, in central Tokyo.
constexpr double kLat = 35 + 40 / 60.0 + 15 / 3600.0;
constexpr double kLon = 139 + 45 / 60.0 + 20 / 3600.0;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kWhite = 0xFFFFFF;

TEST(MeshOverlayCode, CellsHoldingAPointAndKetaChoosesTheLevel) {
  struct Case {
    int keta;
    double lat, lon;
    const char* code;
  };
  const Case cases[] = {
      {0, kLat, kLon, "5339"},
      {1, kLat, kLon, "533946"},
      {2, kLat, kLon, "53394600"},
      // South-west corners lie in the cell they open, despite rounding.
      {0, 35 + 20 / 60.0, 139, "5339"},
      {1, 35 + 40 / 60.0, 139.75, "533946"},
      {2, 35 + 40 / 60.0 + 7 / 120.0, 139.75 + 9 / 80.0, "53394679"},
      {1, 36 - 1 / 12.0, 140 - 1 / 8.0, "533977"},
      {2, 36, 140, "54400000"},
      // Levels other than 0 and 2 are the second mesh.
      {7, kLat, kLon, "533946"},
      {-1, kLat, kLon, "533946"},
  };
  for (const Case& c : cases) EXPECT_EQ(MeshOverlayCode(c.keta, c.lat, c.lon), c.code) << c.keta;

  EXPECT_DOUBLE_EQ(MeshCellSizeOfLevel(0).lat, 2.0 / 3);
  EXPECT_DOUBLE_EQ(MeshCellSizeOfLevel(0).lon, 1.0);
  EXPECT_DOUBLE_EQ(MeshCellSizeOfLevel(2).lat, 1.0 / 120);
  EXPECT_DOUBLE_EQ(MeshCellSizeOfLevel(2).lon, 1.0 / 80);
  EXPECT_DOUBLE_EQ(MeshCellSizeOfLevel(5).lon, 1.0 / 8);
}

// A 640 x 480 job in plane zone 9, metres, 50 m per pixel; its one tile,
// 24 km x 18 km, is centred on the point above.
class MeshOverlayTest : public ::testing::Test {
 protected:
  MeshOverlayTest() : t(640, 480, 1, 1) {
    SetZoneNumber(t.job.coords, 9, 1.0);
    t.job.image.unitsPerPixel = 50;
    const PlaneXY c = bltoxy(t.job.coords, kLon, kLat);
    t.setTile(c.y - 12000, c.y + 12000, c.x - 9000, c.x + 9000);
    MeshSwitch& m = t.job.settings.tiikimesh;
    m.on = true;
    m.colour = kRed;
    m.styleWord = 3073;   // size index 12, width 1
  }
  // The pixel of a geographic point, through the zone's projection and the
  // tile's pixel mapping.
  PixelPoint Pixel(double lat, double lon) {
    const PlaneXY p = bltoxy(t.job.coords, lon, lat);
    return {static_cast<int>(std::trunc(PixelX(t.job, p.y))),
            static_cast<int>(std::trunc(PixelY(t.job, p.x)))};
  }
  bool AnyColourIn(Colour c, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (t.pixel(x, y) == c) return true;
    return false;
  }

  test::TestJob t;
};

TEST_F(MeshOverlayTest, GridCoversTheTileAndLabelsCellsAtTheirProjectedCorners) {
  struct Case {
    int keta;
    double cornerLat, cornerLon;   // south-west corner of the cell holding the point
    const char* code;
  };
  const Case cases[] = {{0, 35 + 20 / 60.0, 139, "5339"},
                        {1, 35 + 40 / 60.0, 139.75, "533946"},
                        {2, 35 + 40 / 60.0, 139.75, "53394600"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keta);
    t.job.settings.tiikimesh.keta = c.keta;
    const MeshOverlayPlan plan = PlanMeshOverlay(t.job);
    ASSERT_FALSE(plan.lines.empty());
    const size_t nLat = plan.lines.front().size() - 1;
    const size_t nLon = plan.lines.size() - nLat - 2;
    EXPECT_EQ(plan.labels.size(), nLon * nLat);

    std::set<std::string> codes;
    for (const auto& l : plan.labels) codes.insert(l.code);
    EXPECT_EQ(codes.size(), plan.labels.size()) << "every cell once";

    const PixelPoint want = Pixel(c.cornerLat, c.cornerLon);
    bool found = false;
    for (const auto& l : plan.labels) {
      if (l.code != c.code) continue;
      found = true;
      EXPECT_EQ(l.corner.x, want.x);
      EXPECT_EQ(l.corner.y, want.y);
    }
    EXPECT_TRUE(found) << c.code;

    // The grid's outer corners lie outside the tile's map on every side.
    const PixelRectF map = MapRect(t.job);
    const auto& west = plan.lines.front();
    const auto& east = plan.lines[nLon];
    const auto& south = plan.lines[nLon + 1];
    const auto& north = plan.lines.back();
    for (const auto& p : west) EXPECT_LE(p.x, map.left);
    for (const auto& p : east) EXPECT_GE(p.x, map.right - 1);
    for (const auto& p : south) EXPECT_GE(p.y, map.bottom - 1);
    for (const auto& p : north) EXPECT_LE(p.y, map.top);
  }
  // Third-mesh cells are about 925 m x 1140 m: the 24 km x 18 km tile needs
  // some twenty-odd columns and rows.
  t.job.settings.tiikimesh.keta = 2;
  const MeshOverlayPlan plan = PlanMeshOverlay(t.job);
  EXPECT_GE(plan.labels.size(), 21u * 19u);
  EXPECT_LE(plan.labels.size(), 25u * 23u);
}

TEST_F(MeshOverlayTest, GridReachesPastATileEdgeSlantedAcrossAMeridian) {
  // A tall tile west of the zone's central meridian whose western edge runs
  // along the easting of 139° E at 35.5° N: its south-west corner lies east of
  // that meridian, its north-west corner west of it. The grid still starts at
  // 138° E, so no part of the tile lacks its lines.
  t.job.image.unitsPerPixel = 500;
  const PlaneXY w = bltoxy(t.job.coords, 139.0, 35.5);
  t.setTile(w.y, w.y + 160000, w.x - 100000, w.x + 100000);
  ASSERT_GT(xytobl(t.job.coords, w.y, w.x - 100000).lon, 139.0);
  ASSERT_LT(xytobl(t.job.coords, w.y, w.x + 100000).lon, 139.0);
  t.job.settings.tiikimesh.keta = 0;
  const MeshOverlayPlan plan = PlanMeshOverlay(t.job);
  ASSERT_FALSE(plan.lines.empty());
  std::set<std::string> codes;
  for (const auto& l : plan.labels) codes.insert(l.code);
  EXPECT_TRUE(codes.count("5338")) << "the cell west of 139° E at 35.5° N";
  const PixelRectF map = MapRect(t.job);
  for (const auto& p : plan.lines.front()) EXPECT_LT(p.x, map.left);
}

TEST_F(MeshOverlayTest, AGridOfInvisiblySmallCellsIsLeftOut) {
  // Ten degrees square at the third level: 1,200 x 800 cells.
  SetZoneNumber(t.job.coords, 0, 1.0);
  t.job.image.unitsPerPixel = 10.0 / 700;
  t.setTile(130.0, 140.0, 30.0, 40.0);
  t.job.settings.tiikimesh.keta = 2;
  EXPECT_TRUE(PlanMeshOverlay(t.job).lines.empty());
  t.job.settings.tiikimesh.keta = 0;
  EXPECT_FALSE(PlanMeshOverlay(t.job).lines.empty()) << "first-level cells of the same tile are drawn";
}

TEST_F(MeshOverlayTest, InLatLonModeCornersMapStraightThroughThePixelMapping) {
  // Degrees as map units: 1/2000 degree of latitude per pixel, longitude
  // widened by the job's latitude factor.
  SetZoneNumber(t.job.coords, 0, 1.0);
  t.job.image.unitsPerPixel = 1.0 / 2000;
  t.job.image.latFactor = std::cos(kLat * M_PI / 180);
  t.setTile(kLon - 0.15, kLon + 0.15, kLat - 0.1, kLat + 0.1);
  t.job.settings.tiikimesh.keta = 1;
  const MeshOverlayPlan plan = PlanMeshOverlay(t.job);
  const double lat = 35 + 40 / 60.0, lon = 139.75;
  const PixelPoint want{static_cast<int>(std::trunc(PixelX(t.job, lon))),
                        static_cast<int>(std::trunc(PixelY(t.job, lat)))};
  int found = 0;
  for (const auto& l : plan.labels) {
    if (l.code != "533946") continue;
    ++found;
    EXPECT_EQ(l.corner.x, want.x);
    EXPECT_EQ(l.corner.y, want.y);
  }
  EXPECT_EQ(found, 1);
  // 0.3° x 0.2° around the point meets 3 or 4 columns and 3 or 4 rows.
  EXPECT_GE(plan.labels.size(), 9u);
  EXPECT_LE(plan.labels.size(), 16u);
}

TEST_F(MeshOverlayTest, LinesAndCodesLandOnTheProjectedMeshInARenderedTile) {
  t.job.settings.tiikimesh.keta = 1;
  t.job.settings.haikei = kWhite;
  RenderTile(t.job);
  ASSERT_TRUE(t.job.runFlag);
  if (const char* png = std::getenv("VELKARO_MESH_OVERLAY_PNG")) t.surface->frame().save(png);

  // The second-mesh corner at 35°40′ N 139°45′ E and its neighbours north and
  // east: the meridian and the parallel pass through their pixels and the
  // midpoints between them.
  const double lat = 35 + 40 / 60.0, lon = 139.75;
  const PixelPoint c = Pixel(lat, lon);
  const PixelPoint n = Pixel(lat + 1 / 12.0, lon);
  const PixelPoint e = Pixel(lat, lon + 1 / 8.0);
  EXPECT_EQ(t.pixel(c.x, c.y), kRed);
  EXPECT_TRUE(AnyColourIn(kRed, (c.x + n.x) / 2 - 1, (c.y + n.y) / 2, (c.x + n.x) / 2 + 2,
                          (c.y + n.y) / 2 + 1));
  EXPECT_TRUE(AnyColourIn(kRed, (c.x + e.x) / 2, (c.y + e.y) / 2 - 1, (c.x + e.x) / 2 + 1,
                          (c.y + e.y) / 2 + 2));
  // A width-1 pen: two pixels beside the lines stay white.
  EXPECT_EQ(t.pixel((c.x + n.x) / 2 - 3, (c.y + n.y) / 2), kWhite);
  EXPECT_EQ(t.pixel((c.x + e.x) / 2, (c.y + e.y) / 2 + 3), kWhite);

  // The cell's code is written just right of its corner and above it,
  // exactly as the same text drawn alone in the run's text font.
  test::TestJob alone(640, 480, 1, 1);
  PainterDrawer& d = alone.surface->drawer();
  d.setFont(MeshLabelFont(t.job));
  d.setTextColour(kRed);
  d.setTransparentBackground(true);
  const int h = d.textHeight("0");
  const int w = d.textWidth("533946");
  d.textOut(c.x + 3, c.y - h, "533946");
  int differing = 0, inked = 0;
  for (int y = c.y - h; y < c.y - 1; ++y)
    for (int x = c.x + 3; x < c.x + 3 + w; ++x) {
      differing += t.pixel(x, y) != alone.pixel(x, y);
      inked += alone.pixel(x, y) != kWhite;
    }
  EXPECT_GT(inked, 20);
  EXPECT_EQ(differing, 0);
}

TEST_F(MeshOverlayTest, WidthComesFromTheLowByteOfTheStyleWordAndOffDrawsNothing) {
  t.job.settings.haikei = kWhite;
  t.job.settings.tiikimesh.keta = 1;
  t.job.settings.tiikimesh.styleWord = 12 * 256 + 5;
  RenderTile(t.job);
  const double lat = 35 + 40 / 60.0, lon = 139.75;
  const PixelPoint c = Pixel(lat, lon);
  const PixelPoint n = Pixel(lat + 1 / 12.0, lon);
  const int mx = (c.x + n.x) / 2, my = (c.y + n.y) / 2;
  int red = 0;
  for (int x = mx - 6; x <= mx + 6; ++x) red += t.pixel(x, my) == kRed;
  EXPECT_GE(red, 4);
  EXPECT_LE(red, 6);

  t.job.settings.tiikimesh.on = false;
  RenderTile(t.job);
  EXPECT_FALSE(AnyColourIn(kRed, 0, 0, 640, 480));
}

}  // namespace
}  // namespace velkaro
