#include <GL/gl.h>
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "render/symbols.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

using test::TestJob;

// The pixel box of every pixel that differs from the white background
// inside a search window.
struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  long count = 0;
  bool empty() const { return count == 0; }
  double centreX() const { return (left + right) / 2.0; }
};

InkBox FindInk(const QImage& frame, int x0, int y0, int x1, int y1) {
  InkBox box;
  for (int y = std::max(0, y0); y < std::min(frame.height(), y1); ++y)
    for (int x = std::max(0, x0); x < std::min(frame.width(), x1); ++x) {
      if ((frame.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      box.left = std::min(box.left, x), box.right = std::max(box.right, x);
      box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
      ++box.count;
    }
  return box;
}

bool IsInk(const QImage& frame, double x, double y) {
  return (frame.pixel(static_cast<int>(x), static_cast<int>(y)) & 0xFFFFFF) != 0xFFFFFF;
}

// A white 800 x 600 job whose tile spans 500 x 500 map units (one unit per
// pixel), with the symbol lists compiled; symbols are placed at map points
// and the frame read back.
class SymbolCanvas {
 public:
  SymbolCanvas() : t_(800, 600, 500, 500) {
    t_.job.settings.haikei = 0xFFFFFF;
    opened_ = OpenView(t_.job);
    CompileSymbols(t_.job);
  }
  ~SymbolCanvas() {
    if (!closed_) CloseView(t_.job);
  }
  bool opened() const { return opened_; }
  JobContext& job() { return t_.job; }

  void place(int id, double x, double y, double scale, Colour colour = 0, int width = 1) {
    t_.surface->beginGL();
    glColor3ub(static_cast<GLubyte>(RedOf(colour)), static_cast<GLubyte>(GreenOf(colour)),
               static_cast<GLubyte>(BlueOf(colour)));
    glLineWidth(static_cast<float>(width));
    PlaceSymbol(id, x, y, scale, scale);
  }
  const QImage& finish() {
    CloseView(t_.job);
    closed_ = true;
    return t_.surface->frame();
  }
  double px(double x) { return PixelX(t_.job, x); }
  double py(double y) { return PixelY(t_.job, y); }

 private:
  TestJob t_;
  bool opened_ = false;
  bool closed_ = false;
};

TEST(SymbolNames, IndexIsTheSymbolIdAndNamesAreUnique) {
  EXPECT_EQ(SymbolNames.size(), 64u);
  EXPECT_EQ(SymbolNames[0], "地図記号");
  std::set<std::string_view> seen;
  for (int id = 1; id <= kSymbolCount; ++id) {
    const std::string_view name = SymbolNames[static_cast<size_t>(id)];
    EXPECT_TRUE(seen.insert(name).second) << "duplicate " << name;
    EXPECT_EQ(SymbolIdOf(name), id) << name;
  }
  const struct {
    const char* name;
    int id;
  } rows[] = {{"三角点", 1}, {"郵便局", 15}, {"温泉", 31}, {"国道番号", 39}, {"標高点", 43},
              {"大学", 60},  {"短大", 61},   {"専門学校", 62}, {"老人ホーム", 63},
              {"地図記号", 0}, {"", 0}, {"学校", 0}};
  for (const auto& row : rows) EXPECT_EQ(SymbolIdOf(row.name), row.id) << row.name;
}

// Every symbol has geometry, inside the usual extent of about +-18000 symbol
// units (ports, ferries and the windmill reach further); the symbols whose
// geometry is fixed (the GNSS station's antenna, the city hall's outer ring,
// the hot spring, the shield, the university family) keep their own.
TEST(SymbolShapes, EveryShapeIsNonEmptyAndInsideItsExtent) {
  const std::set<std::string_view> wide = {"重要港", "地方港", "漁港", "フェリー", "その他の旅客船", "風車"};
  const std::set<std::string_view> ownExtent = {"電子基準点", "市役所", "温泉", "国道番号", "大学", "短大", "専門学校"};
  for (int id = 1; id <= kSymbolCount; ++id) {
    const std::string_view name = SymbolNames[static_cast<size_t>(id)];
    const SymbolShape shape = SymbolShapeOf(id);
    ASSERT_FALSE(shape.empty()) << name;
    const SymbolBox b = SymbolBounds(shape);
    ASSERT_FALSE(b.empty) << name;
    if (ownExtent.count(name)) continue;
    const double limit = wide.count(name) ? 30000 : 18000 * 1.2;
    EXPECT_GE(b.left, -limit) << name;
    EXPECT_LE(b.right, limit) << name;
    EXPECT_GE(b.bottom, -limit) << name;
    EXPECT_LE(b.top, limit) << name;
    // The reference point lies within the symbol's box (a symbol is drawn
    // on or around its point, never beside it).
    EXPECT_TRUE(b.left <= 0 && b.right >= 0 && b.bottom <= 0 && b.top >= 0) << name;
  }
  EXPECT_TRUE(SymbolShapeOf(0).empty());
  EXPECT_TRUE(SymbolShapeOf(64).empty());
}

// Each of the 63 compiled lists draws ink exactly where its geometry says,
// in the colour set before the call (the lists carry no colour).
TEST(SymbolLists, EachListDrawsItsGeometryInTheCurrentColour) {
  for (int id = 1; id <= kSymbolCount; ++id) {
    SymbolCanvas c;
    ASSERT_TRUE(c.opened());
    const SymbolBox b = SymbolBounds(SymbolShapeOf(id));
    const double reach = std::max({std::abs(b.left), std::abs(b.right), std::abs(b.top), std::abs(b.bottom)});
    const double scale = 120.0 / reach;   // the farthest vertex 120 pixels from the point
    const Colour red = MakeColour(255, 0, 0);
    c.place(id, 250, 250, scale, red);
    const double px = c.px(250), py = c.py(250);
    const QImage& frame = c.finish();
    const InkBox ink = FindInk(frame, 0, 0, frame.width(), frame.height());
    const std::string_view name = SymbolNames[static_cast<size_t>(id)];
    ASSERT_FALSE(ink.empty()) << name;
    EXPECT_NEAR(ink.left, px + b.left * scale, 2.5) << name;
    EXPECT_NEAR(ink.right, px + b.right * scale, 2.5) << name;
    EXPECT_NEAR(ink.top, py - b.top * scale, 2.5) << name;
    EXPECT_NEAR(ink.bottom, py - b.bottom * scale, 2.5) << name;
    // Every inked pixel is the colour set before the call.
    long redPixels = 0;
    for (int y = ink.top; y <= ink.bottom; ++y)
      for (int x = ink.left; x <= ink.right; ++x) redPixels += (frame.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    EXPECT_EQ(redPixels, ink.count) << name;
  }
}

// The symbols whose geometry is fixed, each placed at a map point at 0.004
// pixels per symbol unit: the ink spans the given extent around the point's
// pixel, and the point itself is or is not inked.
TEST(SymbolLists, FixedSymbolsSitOnTheirPointsPixel) {
  const struct {
    const char* name;
    double left, right, bottom, top;   // symbol units
    bool inkAtPoint;
  } rows[] = {
      {"三角点", -15588, 15588, -9000, 18000, true},
      {"水準点", -12000, 12000, -12000, 12000, true},
      {"電子基準点", -12471, 23040, -7200, 36000, true},
      {"市役所", -22500, 22500, -22500, 22500, false},
      {"郵便局", -18000, 18000, -18000, 18000, true},
      {"史跡", -18628, 18628, -11600, 21200, false},
      {"国道番号", -50499, 50499, -64472, 22994, true},
      {"標高点", -2000, 2000, -2000, 2000, true},
      {"大学", -18000, 18000, -29400, -754, false},
      {"短大", -18000, 18000, -29400, -754, false},
      {"専門学校", -18000, 18000, -29400, -754, false},
  };
  for (const auto& row : rows) {
    SymbolCanvas c;
    ASSERT_TRUE(c.opened());
    const double s = std::string(row.name) == "国道番号" ? 0.002 : 0.004;
    // A point off the pixel grid.
    c.place(SymbolIdOf(row.name), 240.4, 261.7, s);
    const double px = c.px(240.4), py = c.py(261.7);
    const QImage& frame = c.finish();
    const InkBox ink = FindInk(frame, 0, 0, frame.width(), frame.height());
    ASSERT_FALSE(ink.empty()) << row.name;
    EXPECT_NEAR(ink.left, px + row.left * s, 2) << row.name;
    EXPECT_NEAR(ink.right, px + row.right * s, 2) << row.name;
    EXPECT_NEAR(ink.top, py - row.top * s, 2) << row.name;
    EXPECT_NEAR(ink.bottom, py - row.bottom * s, 2) << row.name;
    EXPECT_EQ(IsInk(frame, px, py), row.inkAtPoint) << row.name;
  }
}

// The triangulation point: the triangle's corners lie on a circle about the
// point (the apex 18000 above it, the base 9000 below), and the dot fills
// the point's pixel and no more than its radius of 2000.
TEST(SymbolLists, TriangulationTriangleIsCentredOnItsPointWithTheDotOnIt) {
  SymbolCanvas c;
  ASSERT_TRUE(c.opened());
  const double s = 0.005;   // 18000 symbol units = 90 pixels
  c.place(SymbolIdOf("三角点"), 251.3, 248.6, s);
  const double px = c.px(251.3), py = c.py(248.6);
  const QImage& frame = c.finish();
  const InkBox all = FindInk(frame, 0, 0, frame.width(), frame.height());
  EXPECT_NEAR(all.centreX(), px, 1.0);
  EXPECT_NEAR(all.top, py - 90, 1.5);
  EXPECT_NEAR(all.bottom, py + 45, 1.5);
  // The dot: the ink within 20 pixels of the point (well inside the triangle).
  const InkBox dot = FindInk(frame, static_cast<int>(px) - 20, static_cast<int>(py) - 20,
                             static_cast<int>(px) + 21, static_cast<int>(py) + 21);
  EXPECT_NEAR((dot.left + dot.right) / 2.0, px, 1.0);
  EXPECT_NEAR((dot.top + dot.bottom) / 2.0, py, 1.0);
  EXPECT_NEAR(dot.right - dot.left, 2 * 2000 * s, 2);
  EXPECT_GT(dot.count, 50) << "a filled disc, not a ring";
  EXPECT_FALSE(IsInk(frame, px, py - 30)) << "the triangle is an outline";
}

// The shield of the route number is filled; the gravel mark is a small
// filled square on the point; the city hall is two rings with nothing
// between them.
TEST(SymbolLists, FilledAndRingSymbols) {
  {
    SymbolCanvas c;
    ASSERT_TRUE(c.opened());
    c.place(SymbolIdOf("国道番号"), 250, 300, 0.002);
    const double px = c.px(250), py = c.py(300);
    const QImage& frame = c.finish();
    for (double dy : {-40.0, -10.0, 0.0, 30.0, 100.0}) EXPECT_TRUE(IsInk(frame, px, py + dy)) << dy;
    for (double dx : {-90.0, -50.0, 50.0, 90.0}) EXPECT_TRUE(IsInk(frame, px + dx, py - 20)) << dx;
  }
  {
    SymbolCanvas c;
    ASSERT_TRUE(c.opened());
    c.place(SymbolIdOf("砂礫地"), 250, 250, 0.02);   // 424 units = 8.5 pixels
    const double px = c.px(250), py = c.py(250);
    const QImage& frame = c.finish();
    const InkBox ink = FindInk(frame, 0, 0, frame.width(), frame.height());
    EXPECT_NEAR(ink.centreX(), px, 1.0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, py, 1.0);
    EXPECT_NEAR(ink.right - ink.left, 8.5, 1.5);
    EXPECT_EQ(ink.count, static_cast<long>(ink.right - ink.left + 1) * (ink.bottom - ink.top + 1)) << "filled";
  }
  {
    SymbolCanvas c;
    ASSERT_TRUE(c.opened());
    c.place(SymbolIdOf("市役所"), 250, 250, 0.004);   // radii 60 and 90 pixels
    const double px = c.px(250), py = c.py(250);
    const QImage& frame = c.finish();
    EXPECT_TRUE(IsInk(frame, px + 60, py) || IsInk(frame, px + 59, py));
    EXPECT_TRUE(IsInk(frame, px + 90, py) || IsInk(frame, px + 89, py));
    EXPECT_FALSE(IsInk(frame, px + 75, py));
    EXPECT_FALSE(IsInk(frame, px, py));
  }
}

// A symbol scaled by the layer's SymbolScale: czoom enters twice, so
// czoom 2 draws the triangle four times as wide as czoom 1.
TEST(SymbolLists, CzoomTwoDrawsFourTimesAsWide) {
  auto widthAt = [](const char* czoom) {
    SymbolCanvas c;
    c.job().settings.czoom = czoom;
    const LayerScale scale = LayerScaleFor(c.job(), LayerEntry{});
    c.place(SymbolIdOf("三角点"), 250, 250, scale.sx);
    const QImage& frame = c.finish();
    const InkBox ink = FindInk(frame, 0, 0, frame.width(), frame.height());
    return ink.right - ink.left + 1;
  };
  const int one = widthAt("1");
  const int two = widthAt("2");
  ASSERT_GT(one, 10);
  EXPECT_NEAR(static_cast<double>(two) / one, 4.0, 0.25);
}

TEST(SymbolLists, IdsOutsideTheTableDrawNothing) {
  SymbolCanvas c;
  ASSERT_TRUE(c.opened());
  for (int id : {0, -1, 64, 79}) c.place(id, 250, 250, 0.004);
  const QImage& frame = c.finish();
  EXPECT_TRUE(FindInk(frame, 0, 0, frame.width(), frame.height()).empty());
}

}  // namespace
}  // namespace velkaro
