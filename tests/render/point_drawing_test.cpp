#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "render/point_drawing.h"
#include "render/symbols.h"
#include "scratch/scratch_file.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

constexpr Colour kBackground = 0xFFFFFF;
constexpr Colour kLayerColour = 0x000000;

// The pixels that differ from the background inside a rectangle.
struct Ink {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  long count = 0;
  double sumX = 0, sumY = 0;
  bool empty() const { return count == 0; }
  int width() const { return empty() ? 0 : right - left + 1; }
  int height() const { return empty() ? 0 : bottom - top + 1; }
  double centreX() const { return sumX / count; }
  double centreY() const { return sumY / count; }
};

// A 400 x 400 map-unit tile on a 600 x 480 image (one pixel per map unit),
// white, with a scratch folder.
class PointDrawing : public ::testing::Test {
 protected:
  PointDrawing() : t(600, 480, 400, 400) {
    folder = fs::temp_directory_path() /
             ("velkaro_points_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    t.job.settings.writefolder = folder.string();
    t.job.settings.haikei = kBackground;
  }
  ~PointDrawing() override { fs::remove_all(folder); }

  LayerNode Layer(const std::string& text, int32_t mask, const std::string& subKey = "") {
    LayerNode node;
    node.text = text;
    node.on = true;
    node.entry.colour = kLayerColour;
    node.entry.readerMask = mask;
    node.entry.subKey = subKey;
    return node;
  }
  void WriteScratch(const LayerNode& node, const std::string& text) {
    std::ofstream(ScratchPath(t.job, node.text), std::ios::binary) << text;
  }
  void Draw(const LayerNode& node) {
    ASSERT_TRUE(OpenView(t.job));
    CompileSymbols(t.job);
    DrawLayer(t.job, node);
    CloseView(t.job);
    frame = t.surface->frame();
  }
  Ink InkIn(int left, int top, int right, int bottom) const {
    Ink ink;
    for (int y = std::max(top, 0); y <= std::min(bottom, frame.height() - 1); ++y)
      for (int x = std::max(left, 0); x <= std::min(right, frame.width() - 1); ++x) {
        if ((frame.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
        ++ink.count;
        ink.sumX += x, ink.sumY += y;
      }
    return ink;
  }
  Ink AllInk() const { return InkIn(0, 0, frame.width() - 1, frame.height() - 1); }
  // Plane text of a map coordinate as the readers write it.
  static std::string Plane(double v) { return PlaneValueText(v) + "\r\n"; }

  test::TestJob t;
  fs::path folder;
  QImage frame;
};

TEST_F(PointDrawing, SpotHeightDotSitsOnItsPixelWithTheHeightToItsRight) {
  const LayerNode node = Layer("標高点", GML2Elv);
  WriteScratch(node, "100\r\n200\r\n52\r\n\r\n");
  Draw(node);
  // The dot: the ink left of the first gap in the columns from x 90 on.
  const Ink around = InkIn(85, 185, 200, 215);
  ASSERT_FALSE(around.empty());
  int gap = around.left;
  while (!InkIn(gap, 185, gap, 215).empty()) ++gap;
  const Ink dot = InkIn(85, 185, gap - 1, 215);
  EXPECT_NEAR(dot.centreX(), 100, 2);
  EXPECT_NEAR(dot.centreY(), 200, 2);
  const Ink height = InkIn(gap, 185, 200, 215);
  EXPECT_GT(height.width(), dot.width()) << "the digits follow to the right";
  EXPECT_LE(height.top, 200);
  EXPECT_GE(height.bottom, 200);
}

TEST_F(PointDrawing, TriangulationPointTriangleIsCentredOnItsPointWithTheHeightBeside) {
  // czoom 8 and size 0.10: the triangle (czoom twice) is far larger than
  // the text (czoom once), so its apex and base stand clear of the height.
  t.job.settings.czoom = "8";
  LayerNode node = Layer("基準点", GML4GCP);
  node.entry.sizeIndex = 2;   // "0.10"
  WriteScratch(node, Plane(200) + Plane(200) + "221.3\r\n一等三角点\r\n");
  Draw(node);
  const int X = static_cast<int>(PixelX(t.job, 200)), Y = static_cast<int>(PixelY(t.job, 200));
  // Outline (0, 18000) (-15588, -9000) (15588, -9000) at 0.0064 map units each.
  const Ink base = InkIn(X - 120, Y + 50, X + 120, Y + 65);
  EXPECT_NEAR((base.left + base.right) / 2.0, X, 2);
  EXPECT_NEAR(base.width(), 2 * 15588 * 0.0064, 4);
  const Ink apex = InkIn(X - 20, Y - 125, X + 20, Y - 100);
  EXPECT_NEAR(apex.top, Y - 18000 * 0.0064, 3);
  EXPECT_NEAR((apex.left + apex.right) / 2.0, X, 2);
  // The height to the right of the point, raised above it.
  const Ink height = InkIn(X + 20, Y - 40, X + 120, Y + 20);
  EXPECT_FALSE(height.empty());
  EXPECT_LT(height.centreY(), Y);
}

// The white pixels of a route number on its black shield about (cx, cy):
// white with ink on both sides and above, within reach.
Ink RouteNumberPixels(const QImage& frame, int cx, int cy, int reach) {
  auto ink = [&](int x, int y) { return (frame.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };
  auto inkBetween = [&](int x0, int y0, int dx, int dy, int n) {
    for (int k = 1; k <= n; ++k)
      if (ink(x0 + k * dx, y0 + k * dy)) return true;
    return false;
  };
  Ink white;
  for (int y = cy - reach; y <= cy + reach; ++y)
    for (int x = cx - reach; x <= cx + reach; ++x)
      if (!ink(x, y) && inkBetween(x, y, -1, 0, reach) && inkBetween(x, y, 1, 0, reach) &&
          inkBetween(x, y, 0, -1, reach)) {
        white.left = std::min(white.left, x), white.right = std::max(white.right, x);
        white.top = std::min(white.top, y), white.bottom = std::max(white.bottom, y);
        ++white.count, white.sumX += x, white.sumY += y;
      }
  return white;
}

// Layers of size "0.10" at czoom 3 and 6: the number stays inside the
// shield's upper part at both.
constexpr uint8_t kSmallSize = 2;

TEST_F(PointDrawing, SymbolsGrowWithTheSquareOfCzoomAndRouteNumbersWithCzoom) {
  LayerNode square = Layer("水準点記号", GML16Symbol);
  square.entry.sizeIndex = kSmallSize;
  WriteScratch(square, "2\r\n" + Plane(200) + Plane(200) + "\r\n");
  LayerNode shield = Layer("国道番号", GML16Symbol);
  shield.entry.sizeIndex = kSmallSize;
  WriteScratch(shield, std::to_string(SymbolIdOf("国道番号")) + "\r\n" + Plane(200) + Plane(200) + "16\r\n");
  const int cx = static_cast<int>(PixelX(t.job, 200)), cy = static_cast<int>(PixelY(t.job, 200));
  int squareWidth[2] = {0, 0}, numberWidth[2] = {0, 0};
  for (int k : {0, 1}) {
    t.job.settings.czoom = k == 0 ? "3" : "6";
    Draw(square);
    squareWidth[k] = AllInk().width();
    Draw(shield);
    numberWidth[k] = RouteNumberPixels(frame, cx, cy, 20 * (k + 1)).width();
  }
  EXPECT_NEAR(squareWidth[0], 2 * 12000 * 3 * 0.3 / 1000, 2) << "+-12000 symbol units, czoom 3, size 0.10";
  // Less the one-pixel outline, which does not scale.
  EXPECT_NEAR(squareWidth[1] - 1, 4 * (squareWidth[0] - 1), 4) << "twice the czoom: four times as wide";
  ASSERT_GT(numberWidth[0], 4);
  EXPECT_NEAR(numberWidth[1], 2.0 * numberWidth[0], 4) << "route numbers twice as large";
}

TEST_F(PointDrawing, RouteNumberIsCentredOnItsShield) {
  t.job.settings.czoom = "3";
  LayerNode node = Layer("地図記号", GML16Symbol);
  node.entry.sizeIndex = kSmallSize;
  WriteScratch(node, std::to_string(SymbolIdOf("国道番号")) + "\r\n" + Plane(200) + Plane(200) + "16\r\n");
  Draw(node);
  const int cx = static_cast<int>(PixelX(t.job, 200)), cy = static_cast<int>(PixelY(t.job, 200));
  const Ink number = RouteNumberPixels(frame, cx, cy, 20);
  ASSERT_GT(number.count, 10);
  // The measured extent includes the digits' side bearings.
  EXPECT_NEAR((number.left + number.right) / 2.0, cx, 4);
  EXPECT_NEAR((number.top + number.bottom) / 2.0, cy, 3);
}

TEST_F(PointDrawing, AnnotationDirections) {
  struct Case {
    const char* name;
    const char* subKey;
    const char* angle;
    // Expected: taller than wide, and where the run goes from the anchor.
    bool tall;
    enum { Right, Down, Up } run;
  };
  const Case cases[] = {
      {"horizontal at 0", "1", "0", false, Case::Right},
      {"horizontal at 90 runs upwards", "1", "90", true, Case::Up},
      {"vertical face runs top to bottom", "2", "0", true, Case::Down},
  };
  for (const Case& c : cases) {
    const LayerNode node = Layer(std::string("注記") + c.subKey, GML8LayoutStr, c.subKey);
    WriteScratch(node, std::string("300\r\n240\r\n") + c.angle + "\r\n山川山川\r\n");
    Draw(node);
    const Ink ink = AllInk();
    ASSERT_FALSE(ink.empty()) << c.name;
    EXPECT_EQ(ink.height() > ink.width(), c.tall) << c.name;
    switch (c.run) {
      case Case::Right:
        EXPECT_NEAR(ink.left, 300, 6) << c.name;
        EXPECT_NEAR(ink.centreY(), 240, 4) << c.name << ": left edge centred on the anchor";
        break;
      case Case::Up:
        EXPECT_NEAR(ink.bottom, 240, 6) << c.name;
        EXPECT_NEAR(ink.centreX(), 300, 4) << c.name;
        break;
      case Case::Down:
        EXPECT_NEAR(ink.top, 240, 4) << c.name;
        EXPECT_NEAR(ink.centreX(), 300, 4) << c.name;
        break;
    }
    // Upright characters in the vertical face: "山" is as wide as tall, so
    // one character's ink is about one column wide.
    if (c.run == Case::Down) {
      const int h = LabelHeight(t.job, LayerScaleFor(t.job, node.entry));
      EXPECT_LE(ink.width(), h + 2) << c.name;
      EXPECT_GE(ink.height(), 3 * h) << c.name;
    }
  }
  EXPECT_EQ(t.surface->drawer().font().face, kFaceMincho) << "an annotation pass leaves the Mincho face";
}

// Angles and positions past any pixel count (a damaged file's) are drawn
// without overflow: the text turns by some angle, or lies off the image.
TEST_F(PointDrawing, AnnotationWithADamagedAngleOrPlace) {
  const LayerNode node = Layer("注記1", GML8LayoutStr, "1");
  for (const char* record : {"300\r\n240\r\n1e300\r\n山川\r\n", "300\r\n240\r\n-1e300\r\n山川\r\n",
                             "1e300\r\n-1e300\r\n45\r\n山川\r\n"}) {
    WriteScratch(node, record);
    Draw(node);
  }
  EXPECT_EQ(t.job.errorText, "");
}

TEST_F(PointDrawing, NamesAtTheImageEdgeAreClippedNotMoved) {
  const LayerNode node = Layer("地名", GML1Name);
  WriteScratch(node, "590\r\n100\r\n長い地名の町\r\n");
  Draw(node);
  const Ink ink = AllInk();
  ASSERT_FALSE(ink.empty());
  EXPECT_GE(ink.left, 590);
  EXPECT_EQ(ink.right, frame.width() - 1);
}

TEST_F(PointDrawing, EmptyAndCutShortPointFilesDrawNothingAndDoNotHang) {
  const std::pair<int32_t, std::string> cases[] = {
      {GML16Symbol, ""}, {GML8LayoutStr, ""}, {GML4GCP, ""}, {GML2Elv, ""}, {GML1Name, ""},
      {GML16Symbol, "1\r\n"}, {GML4GCP, Plane(100)},
  };
  for (const auto& [mask, text] : cases) {
    const LayerNode node = Layer("空", mask);
    WriteScratch(node, text);
    Draw(node);
    EXPECT_TRUE(AllInk().empty()) << mask;
  }
}

}  // namespace
}  // namespace velkaro
