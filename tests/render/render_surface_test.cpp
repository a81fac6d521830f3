#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>

#include <random>

#include <bit>

#include <QPainter>

#include <cmath>

#include "render/gl_view.h"
#include "render/painter_drawer.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

using test::TestJob;

constexpr Colour kRed = 0x0000FF, kBlue = 0xFF0000, kBlack = 0x000000, kWhite = 0xFFFFFF;

// A filled rectangle in map units with the current GL colour.
void GlRect(double x0, double y0, double x1, double y1) {
  glBegin(GL_QUADS);
  glVertex2d(x0, y0);
  glVertex2d(x1, y0);
  glVertex2d(x1, y1);
  glVertex2d(x0, y1);
  glEnd();
}

TEST(RenderSurface, GlThenTextThenGlKeepsAllThreeInIssueOrder) {
  TestJob t(300, 200, 200, 200);
  t.job.settings.haikei = kWhite;
  ASSERT_TRUE(OpenView(t.job));
  RenderSurface& s = *t.surface;
  const PixelRectF map = MapRect(t.job);

  // 1. GL: a red block over the left half of the map.
  s.beginGL();
  gcolor(kRed);
  GlRect(0, 0, 100, 200);
  // 2. 2-D: a black bar of text-like pixels across the whole map.
  PainterDrawer& d = s.drawer();
  d.setBrush(kBlack);
  const int barTop = static_cast<int>(map.top) + 90;
  d.fillRect(static_cast<int>(map.left), barTop, static_cast<int>(map.right), barTop + 20);
  d.setTextColour(kBlack);
  d.setTransparentBackground(true);
  d.setFont(FontSpec{kFacePGothic, FontSizeKind::CharHeight, 24});
  d.textOut(static_cast<int>(map.left) + 110, static_cast<int>(map.top) + 10, "文字");
  // 3. GL again: a blue block over the right quarter, covering part of the bar.
  s.beginGL();
  gcolor(kBlue);
  GlRect(150, 0, 200, 200);
  CloseView(t.job);

  const int row = barTop + 10;
  const int left = static_cast<int>(map.left);
  EXPECT_EQ(t.pixel(left + 50, static_cast<int>(map.top) + 30), kRed) << "first GL block";
  EXPECT_EQ(t.pixel(left + 50, row), kBlack) << "bar over the first GL block";
  EXPECT_EQ(t.pixel(left + 120, row), kBlack) << "bar on the background";
  EXPECT_EQ(t.pixel(left + 175, row), kBlue) << "second GL block over the bar";
  // Text survived the second GL pass next to it.
  int dark = 0;
  const QImage& frame = t.surface->frame();
  for (int y = static_cast<int>(map.top) + 10; y < static_cast<int>(map.top) + 40; ++y)
    for (int x = left + 110; x < left + 150; ++x) dark += qGray(frame.pixel(x, y)) < 100;
  EXPECT_GT(dark, 20) << "text pixels";
  EXPECT_EQ(t.host.shownCount, 1);
  EXPECT_EQ(t.host.shown.pixel(left + 175, row), frame.pixel(left + 175, row));
}

// Pixels set directly (the whole image) and with the painter (a part of it)
// reach GL unchanged, row for row up to the image's edges, and GL's view is
// as it was after the hand-over: every pixel but the GL block is the one set.
TEST(RenderSurface, EveryPixelSetBeforeGlDrawingSurvivesIt) {
  TestJob t(301, 203, 200, 200);
  ASSERT_TRUE(OpenView(t.job));
  RenderSurface& s = *t.surface;
  auto expected = [](int x, int y) { return qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255); };
  QImage& pixels = s.beginPixels();
  for (int y = 0; y < pixels.height(); ++y)
    for (int x = 0; x < pixels.width(); ++x) pixels.setPixel(x, y, expected(x, y));
  s.beginGL();
  gcolor(kRed);
  GlRect(0, 0, 20, 20);
  // A part changed by the painter only: its corner at the image's bottom
  // right.
  QPainter& painter = s.beginPainterIn(QRect(250, 60, 51, 143));
  painter.fillRect(QRect(250, 60, 51, 143), QColor(0, 0, 255));
  s.beginGL();
  gcolor(kBlack);
  GlRect(180, 180, 200, 200);
  const QImage& frame = s.frame();
  const PixelRectF map = MapRect(t.job);
  int wrong = 0;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x) {
      // The blocks' own edges (GL's view spans the map's whole pixels) are
      // left out.
      const bool inRed = x >= map.left - 1 && x < map.left + 21 && y >= map.bottom - 21 && y < map.bottom + 1;
      const bool inBlack = x >= map.left + 179 && x < map.right + 1 && y >= map.top - 1 && y < map.top + 21;
      if (inRed || inBlack) continue;
      const QRgb want = x >= 250 && y >= 60 ? qRgb(0, 0, 255) : expected(x, y);
      wrong += (frame.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF);
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(t.pixel(static_cast<int>(map.left) + 10, static_cast<int>(map.bottom) - 10), kRed);
  EXPECT_EQ(t.pixel(static_cast<int>(map.left) + 190, static_cast<int>(map.top) + 10), kBlack);
  CloseView(t.job);
}

TEST(RenderSurface, BackgroundCoversMapAreaOfEveryTileAndNothingOfThePreviousSurvives) {
  TestJob t(240, 160, 100, 100);
  t.job.settings.haikei = 0x3366CC;
  for (int tile = 0; tile < 2; ++tile) {
    t.setTile(tile * 100.0, tile * 100.0 + 100, 0, 100);
    ASSERT_TRUE(OpenView(t.job));
    t.surface->beginGL();
    if (tile == 0) {   // something only the first tile draws
      gcolor(kRed);
      GlRect(0, 0, 50, 50);
    }
    CloseView(t.job);
    const PixelRectF r = MapRect(t.job);
    for (int y = static_cast<int>(r.top) + 1; y < static_cast<int>(r.bottom); y += 7)
      for (int x = static_cast<int>(r.left) + 1; x < static_cast<int>(r.right); x += 7) {
        const double ex = PixelX(t.job, 50), ey = PixelY(t.job, 50);   // corner of the red block
        if (tile == 0 && (std::abs(x - ex) < 2 || std::abs(y - ey) < 2)) continue;
        const bool red = tile == 0 && x < ex && y > ey;
        ASSERT_EQ(t.pixel(x, y), red ? kRed : 0x3366CC) << "tile " << tile << " at " << x << "," << y;
      }
    EXPECT_EQ(t.pixel(0, 0), 0x3366CC) << "the whole surface starts in the background colour";
  }
  EXPECT_EQ(t.host.shownCount, 2);
  EXPECT_TRUE(t.host.asks.empty());
}

TEST(RenderSurface, AbortedJobOpensNothingAndLeavesThePreviousTile) {
  TestJob t(120, 80, 50, 50);
  t.job.settings.haikei = kRed;
  ASSERT_TRUE(OpenView(t.job));
  CloseView(t.job);
  t.job.runFlag = false;
  t.job.settings.haikei = kBlue;
  EXPECT_FALSE(OpenView(t.job));
  EXPECT_EQ(t.pixel(5, 5), kRed);
}

TEST(RenderSurface, ViewportComesFromTruncatedEdgesAndMapIsCentred) {
  TestJob t(1000, 600, 300.4, 200.7);
  const Viewport v = ViewportFor(t.job);
  const PixelRectF r = MapRect(t.job);
  EXPECT_EQ(v.x, static_cast<int>(r.left));
  EXPECT_EQ(v.y, static_cast<int>(r.top));
  EXPECT_GE(v.width, static_cast<int>(r.right - r.left));
  EXPECT_LE(v.width, static_cast<int>(r.right - r.left) + 2);
  EXPECT_NEAR((r.left + r.right) / 2, 1000 * (0.025 + 0.95 * 160 / 290), 1e-9);
  EXPECT_NEAR((r.top + r.bottom) / 2, 300, 1e-9);
}

// The rasters draw before GL is opened, from the view kept on the surface:
// it must be the very matrix glOrtho gives GL, bit for bit, for tiles in
// plane metres, millimetres and degrees alike.
TEST(RenderSurface, TheViewKeptForTheRastersIsGlsOwn) {
  TestJob t(60, 40, 20, 20);
  ASSERT_TRUE(OpenView(t.job));
  t.surface->beginGLState();
  ASSERT_TRUE(t.surface->hasContext());
  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 20000; ++i) {
    const double reach = std::pow(10.0, -1 + 10 * unit(random));   // 0.1 .. 1e9 plane units
    const double west = (unit(random) - 0.5) * reach, south = (unit(random) - 0.5) * reach;
    const double east = west + reach * (0.001 + unit(random)), north = south + reach * (0.001 + unit(random));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(west, east, south, north, -999999999.0, 999999999.0);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const RenderSurface::View view = OrthoView(west, east, south, north);
    ASSERT_EQ(std::bit_cast<uint32_t>(view.scaleX), std::bit_cast<uint32_t>(m[0])) << west << " " << east;
    ASSERT_EQ(std::bit_cast<uint32_t>(view.offsetX), std::bit_cast<uint32_t>(m[12])) << west << " " << east;
    ASSERT_EQ(std::bit_cast<uint32_t>(view.scaleY), std::bit_cast<uint32_t>(m[5])) << south << " " << north;
    ASSERT_EQ(std::bit_cast<uint32_t>(view.offsetY), std::bit_cast<uint32_t>(m[13])) << south << " " << north;
  }
  CloseView(t.job);
}

// A tile opens no GL until something draws through it; then the context
// comes with the tile's display-list ids and the glyph lists.
TEST(RenderSurface, DisplayListsStartAtOneAndGlyphListsAreBuilt) {
  TestJob t(200, 100, 50, 50);
  ASSERT_TRUE(OpenView(t.job));
  EXPECT_FALSE(t.surface->hasContext());
  t.surface->beginGLState();
  ASSERT_TRUE(t.surface->hasContext());
  EXPECT_EQ(t.surface->tile().listBase, 1u);
  for (unsigned list = kFirstGlyphList; list < kFirstGlyphList + 5; ++list)
    EXPECT_TRUE(glIsList(list)) << list;
  CloseView(t.job);
  EXPECT_TRUE(t.host.asks.empty()) << (t.host.asks.empty() ? "" : t.host.asks[0].first);
}

TEST(RenderSurface, FloodCounterOutlivesTheTileAndIsResetByTheNext) {
  TestJob t(60, 40, 20, 20);
  ASSERT_TRUE(OpenView(t.job));
  t.surface->tile().dryTriangleCount += 17;
  CloseView(t.job);
  EXPECT_EQ(t.surface->tile().dryTriangleCount, 17);
  ASSERT_TRUE(OpenView(t.job));
  EXPECT_EQ(t.surface->tile().dryTriangleCount, 0);
  CloseView(t.job);
}

// The next tile gets the context the last one closed, in the state of a new
// one: whatever the tile before changed (attributes pushed and left, client
// arrays, matrices pushed and left, lists, a colour, an error) is gone, and
// the same drawing gives the same pixels as on the first tile.
TEST(RenderSurface, AKeptContextStartsTheNextTileAsNew) {
  TestJob t(120, 80, 100, 100);
  t.job.settings.haikei = kWhite;
  auto drawTile = [&] {
    EXPECT_TRUE(OpenView(t.job));
    t.surface->beginGL();
    gcolor(kRed);
    glLineWidth(3);
    GlRect(10, 10, 60, 40);
  };
  drawTile();
  EXPECT_TRUE(t.surface->contextIsNew());
  const QImage first = t.surface->frame().copy();
  // Leave all kinds of state behind.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glEnable(GL_BLEND);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glEnableClientState(GL_VERTEX_ARRAY);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glScaled(2, 2, 2);
  glNewList(kReservedListCount - 1, GL_COMPILE);
  GlRect(0, 0, 100, 100);
  glEndList();
  glColor3d(0, 1, 0);
  glEnd();   // an error: no glBegin
  CloseView(t.job);

  ASSERT_TRUE(OpenView(t.job));
  t.surface->beginGLState();
  EXPECT_FALSE(t.surface->contextIsNew());
  GLint value = -1;
  glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &value);
  EXPECT_EQ(value, 1) << "only the new context's state is saved";
  glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &value);
  EXPECT_EQ(value, 1);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &value);
  EXPECT_EQ(value, 1);
  glGetIntegerv(GL_MATRIX_MODE, &value);
  EXPECT_EQ(value, GL_MODELVIEW);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsList(kReservedListCount - 1));
  EXPECT_TRUE(glIsList(kFirstGlyphList)) << "the glyph lists kept with the context";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  CloseView(t.job);
  drawTile();
  CloseView(t.job);
  EXPECT_EQ(t.surface->frame(), first);
}

TEST(RenderSurface, ListIdsNotStartingAtOneAreReported) {
  TestJob t(60, 40, 20, 20);
  ASSERT_TRUE(t.surface->createContext());
  t.surface->beginGL();
  ASSERT_EQ(glGenLists(5), 1u);   // something took the first ids
  ReserveDisplayLists(t.job);
  t.surface->deleteContext();
  ASSERT_EQ(t.host.asks.size(), 1u);
  EXPECT_EQ(t.host.asks[0].first, "glGenListsの異常");
  EXPECT_EQ(t.host.asks[0].second, "開始番号6");
}

// An image wider than GL draws gets no context: when the tile first draws
// through GL, the job stops with the reason instead of writing tiles that
// lack everything GL draws.
TEST(RenderSurface, ImageGlCannotDrawStopsTheJob) {
  GLint widest = 0;
  {
    TestJob probe(60, 40, 20, 20);
    ASSERT_TRUE(probe.surface->createContext());
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &widest);
    probe.surface->deleteContext();
  }
  ASSERT_GT(widest, 0);
  TestJob t(widest + 1, 2, 20, 20);
  EXPECT_TRUE(OpenView(t.job));
  EXPECT_TRUE(t.job.runFlag);
  t.surface->beginGL();
  EXPECT_FALSE(t.job.runFlag);
  ASSERT_EQ(t.host.asks.size(), 1u);
  EXPECT_EQ(t.host.asks[0].first, "OpenGLの描画面を作れません");
  EXPECT_NE(t.host.asks[0].second.find(std::to_string(widest + 1)), std::string::npos) << t.host.asks[0].second;
  EXPECT_EQ(t.job.errorText, t.host.asks[0].second);
}

TEST(RenderSurface, HostCopyDoesNotCatchLaterDrawing) {
  TestJob t(100, 80, 40, 40);
  t.job.settings.haikei = kWhite;
  ASSERT_TRUE(OpenView(t.job));
  CloseView(t.job);
  const QImage kept = t.host.shown;   // shares pixels with the surface
  t.job.settings.haikei = kBlue;
  ASSERT_TRUE(OpenView(t.job));
  t.surface->beginGL();
  gcolor(kRed);
  GlRect(0, 0, 40, 40);
  t.surface->flush();
  EXPECT_EQ(kept.pixel(50, 40) & 0xFFFFFF, 0xFFFFFFu);
  CloseView(t.job);
  EXPECT_EQ(t.pixel(0, 0), kBlue);
}

}  // namespace
}  // namespace velkaro
