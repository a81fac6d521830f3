// Furniture faults found on review: cut tick labels, the mesh label font,
// tiles without elevation data, and the screen size without a real screen.
#include <gtest/gtest.h>

#include <cmath>

#include "job/coordinates.h"
#include "job/screen_size.h"
#include "render/gl_view.h"
#include "render/map_furniture.h"
#include "render/mesh_overlay.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

constexpr Colour kWhite = 0xFFFFFF;

int T(double v) { return static_cast<int>(std::trunc(v)); }

// Whether any pixel of the box is not white (text is antialiased).
bool AnyInk(test::TestJob& t, int left, int top, int right, int bottom) {
  for (int y = std::max(top, 0); y < bottom; ++y)
    for (int x = std::max(left, 0); x < right; ++x)
      if (t.pixel(x, y) != kWhite) return true;
  return false;
}

// A tile wider than the image's map share: its east edge lies near the image
// edge, where the easting label "-4999600" would be cut to "-49996".
TEST(FurnitureFaults, TickLabelsThatWouldBeCutByTheImageEdgeAreLeftOut) {
  test::TestJob t(480, 640, 400, 200);
  t.job.settings.type = kOutputBmp;
  t.setTile(-5000000, -4999600, 0, 200);
  t.surface->beginPixels().fill(Qt::white);
  DrawFurniture(t.job);
  const PixelRectF map = MapRect(t.job);
  ASSERT_LT(map.right + 2, 480) << "the east label would start inside the image";
  const int top = T(map.top);
  const int labelTop = top - 12, right = T(map.right);
  // Nothing drawn right of the east tick in the label row: that label is out.
  EXPECT_FALSE(AnyInk(t, right + 2, labelTop, 480, top - 1));
  // The west label fits and is drawn.
  EXPECT_TRUE(AnyInk(t, T(map.left) + 2, labelTop, T(map.left) + 40, top - 1));
}

// A tile without elevation data draws a plain note instead of a legend with
// the extremes of an empty range, and quickly.
TEST(FurnitureFaults, TileWithoutElevationDataDrawsNoLegend) {
  test::TestJob t(640, 480, 200, 200);
  t.job.settings.type = kOutputBmp;
  t.job.settings.alti[0] = true;
  t.job.settings.cont[0] = true;
  t.job.legendSteps = 16;
  t.job.legendIntervalM = {0.01};
  t.job.legendBottomM = {1e38};
  ASSERT_FALSE(t.job.elevGrid.hasData(t.job.datumOffset));
  t.surface->beginPixels().fill(Qt::white);
  DrawFurniture(t.job);
  const PixelRectF map = MapRect(t.job);
  // No class boxes where the legend stands (the note may cross the lowest).
  const double H = 480, hb = std::min(H / 3 / 16, H / 48) * 0.7, L = 0.05 * H;
  const int boxColumn = T(map.left - 0.065 * 640);
  for (int k = 2; k <= 16; ++k) EXPECT_EQ(t.pixel(boxColumn, T(H - (k + 0.5) * hb - L)), kWhite) << k;
  // The note is there, above the datum line, in the legend's column.
  const int noteTop = T(H - 0.05 * H) - 14;
  bool note = false;
  for (int y = noteTop; y < T(H - 0.05 * H); ++y)
    for (int x = T(map.left - 0.09 * 640); x < T(map.left); ++x) note = note || t.pixel(x, y) != kWhite;
  EXPECT_TRUE(note);

  // With data the legend is drawn as before.
  t.job.elevGrid.elevMax = 120, t.job.elevGrid.elevMin = 100;
  t.job.legendIntervalM = {10};
  t.job.legendBottomM = {0};
  t.surface->beginPixels().fill(Qt::white);
  DrawFurniture(t.job);
  EXPECT_NE(t.pixel(T(map.left - 0.065 * 640), T(H - 0.5 * hb - L)), kWhite);
}

// Mesh codes take the run's text font whatever font the drawer holds from
// earlier steps (the previous tile's title, the drawer's default).
TEST(FurnitureFaults, MeshCodeLabelsUseTheRunsTextFont) {
  test::TestJob t(640, 480, 1, 1);
  SetZoneNumber(t.job.coords, 9, 1.0);
  const PlaneXY c = bltoxy(t.job.coords, 139.75, 35.67);
  t.job.image.unitsPerPixel = 50;
  t.setTile(c.y - 12000, c.y + 12000, c.x - 9000, c.x + 9000);
  t.job.settings.tiikimesh.on = true;
  t.job.settings.tiikimesh.styleWord = 1;
  for (const double before : {3.0, 60.0}) {
    t.job.constants.textHeight = 14;
    FontSpec big;
    big.size = before;
    t.surface->drawer().setFont(big);
    DrawMeshOverlay(t.job);
    const FontSpec used = t.surface->drawer().font();
    EXPECT_EQ(used.size, 14) << before;
    EXPECT_EQ(used.sizeKind, FontSizeKind::CellHeight);
    EXPECT_EQ(used.escapement, 0);
  }
  EXPECT_EQ(MeshLabelFont(t.job).size, 14);
}

// Without a real screen (Qt's offscreen platform says 800 x 800) the screen
// size is the 1920 x 1080 fallback.
TEST(FurnitureFaults, OffscreenPlatformUsesTheFallbackScreenSize) {
  test::EnsureGuiApplication();
  ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
  const ScreenSize size = PrimaryScreenSize();
  EXPECT_EQ(size.width, 1920);
  EXPECT_EQ(size.height, 1080);
}

}  // namespace
}  // namespace velkaro
