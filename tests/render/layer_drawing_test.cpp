#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <utility>

#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "render/render_messages.h"
#include "scratch/scratch_reader.h"
#include "render_test_support.h"
#include "scratch/scratch_file.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

constexpr Colour kBackground = 0xFFFFFF;
constexpr Colour kLayerColour = 0x2040C0;

std::string Fixture(const std::string& name) {
  return std::string(VELKARO_SOURCE_DIR) + "/tests/data/render/" + name;
}

// A 200 x 200 map-unit tile on a 300 x 240 image with a scratch folder.
class LayerDrawing : public ::testing::Test {
 protected:
  LayerDrawing() : t(300, 240, 200, 200) {
    folder = fs::temp_directory_path() /
             ("velkaro_render_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    t.job.settings.writefolder = folder.string();
    t.job.settings.haikei = kBackground;
  }
  ~LayerDrawing() override { fs::remove_all(folder); }

  LayerNode Layer(const std::string& text, int32_t mask, int widthIndex = 0) {
    LayerNode node;
    node.text = text;
    node.on = true;
    node.entry.colour = kLayerColour;
    node.entry.readerMask = mask;
    node.entry.widthIndex = static_cast<uint8_t>(widthIndex);
    return node;
  }
  void PlaceFixture(const std::string& fixture, const std::string& displayText) {
    fs::copy_file(Fixture(fixture), ScratchPath(t.job, displayText));
  }
  void WriteScratch(const std::string& displayText, const std::string& text) {
    std::ofstream(ScratchPath(t.job, displayText), std::ios::binary) << text;
  }
  // Colour at a map position of the finished frame.
  Colour At(double x, double y) {
    return t.pixel(static_cast<int>(PixelX(t.job, x)), static_cast<int>(PixelY(t.job, y)));
  }
  // Pixel rows of colour c crossing the column of map x around map y.
  int RowsOfColour(double x, double y, Colour c) {
    const int px = static_cast<int>(PixelX(t.job, x));
    const int py = static_cast<int>(PixelY(t.job, y));
    int rows = 0;
    for (int dy = -20; dy <= 20; ++dy) rows += t.pixel(px, py + dy) == c;
    return rows;
  }
  void Draw(const LayerNode& node) {
    ASSERT_TRUE(OpenView(t.job));
    DrawLayer(t.job, node);
    CloseView(t.job);
  }

  test::TestJob t;
  fs::path folder;
};

TEST_F(LayerDrawing, RingInsideRingIsAHole) {
  const LayerNode node = Layer("3311公園", GML1024Hatch);
  PlaceFixture("area_with_hole.txt", node.text);
  Draw(node);
  EXPECT_EQ(At(50, 50), kLayerColour);
  EXPECT_EQ(At(150, 150), kLayerColour);
  EXPECT_EQ(At(100, 100), kBackground) << "the hole";
  EXPECT_EQ(At(10, 10), kBackground) << "outside";
}

TEST_F(LayerDrawing, SepRingsInARowAreTwoPolygonsAndOverlappingRingsOfOnePolygonCancel) {
  const LayerNode node = Layer("3312区域", GML1024Hatch);
  PlaceFixture("two_areas.txt", node.text);
  Draw(node);
  EXPECT_EQ(At(100, 100), kLayerColour) << "overlap of two polygons stays filled";
  EXPECT_EQ(At(50, 50), kLayerColour);
  EXPECT_EQ(At(150, 150), kLayerColour);

  // The same rings as one polygon ("mado" for the second): the overlap cancels.
  std::ifstream in(Fixture("two_areas.txt"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  text.replace(text.rfind("sep"), 3, "mado");
  WriteScratch(node.text, text);
  Draw(node);
  EXPECT_EQ(At(100, 100), kBackground) << "overlap of two rings of one polygon";
  EXPECT_EQ(At(50, 50), kLayerColour);
  EXPECT_EQ(At(150, 150), kLayerColour);
}

TEST_F(LayerDrawing, MultiColouredAreasTakeTheirColourFromTheName) {
  const LayerNode node = Layer("3000行政区画(多色)", GML1024Hatch);
  WriteScratch(node.text,
               "sep\n甲町\n4\n10\n10\n60\n10\n60\n60\n10\n60\n"
               "sep\n乙村\n4\n70\n10\n120\n10\n120\n60\n70\n60\n"
               "sep\n甲町\n4\n130\n10\n180\n10\n180\n60\n130\n60\n");
  Draw(node);
  EXPECT_EQ(At(35, 35), areacl("甲町"));
  EXPECT_EQ(At(95, 35), areacl("乙村"));
  EXPECT_EQ(At(155, 35), areacl("甲町"));
  EXPECT_NE(areacl("甲町"), areacl("乙村"));
}

TEST_F(LayerDrawing, RoadWidthsFollowLwButNeverGoBelowTheLayerWidth) {
  const LayerNode node = Layer("2201道路", GML64PolyRoad, 4);
  PlaceFixture("roads.txt", node.text);
  Draw(node);
  EXPECT_EQ(RowsOfColour(100, 150, kLayerColour), 5) << "lw 1 in a layer of width index 4";
  EXPECT_EQ(RowsOfColour(100, 100, kLayerColour), 12) << "lw 12";
  EXPECT_EQ(RowsOfColour(100, 50, kLayerColour), 12) << "the next road without lw";
}

TEST_F(LayerDrawing, LineLayerWithoutWidthsUsesWidthIndexPlusOne) {
  const LayerNode node = Layer("2101河川", GML32Poly, 2);
  WriteScratch(node.text, " 2.00000000000000E+0001\r\n 1.00000000000000E+0002\r\n"
                          " 1.80000000000000E+0002\r\n 1.00000000000000E+0002\r\nsep\r\n");
  Draw(node);
  EXPECT_EQ(RowsOfColour(100, 100, kLayerColour), 3);
}

TEST_F(LayerDrawing, EmptyMissingAndCutShortFilesDrawNothingAndDoNotHang) {
  const std::array<std::pair<int32_t, std::string>, 5> cases = {{
      {GML1024Hatch, ""},
      {GML32Poly, ""},
      {GML32Poly, "20\n100\n180\n100\n"},            // no closing "sep"
      {GML1024Hatch, "sep\n名前\n4\n20\n20\n"},      // fewer vertices than counted
      {GML64PolyRoad, "lw\n"},
  }};
  for (const auto& [mask, text] : cases) {
    const LayerNode node = Layer("9999試験", mask);
    WriteScratch(node.text, text);
    Draw(node);
    if (text.empty()) {
      EXPECT_EQ(At(100, 100), kBackground) << mask;
    }
    fs::remove(ScratchPath(t.job, node.text));
  }
  Draw(Layer("9998無い", GML1024Hatch));   // no file at all
  EXPECT_EQ(At(100, 100), kBackground);
  EXPECT_TRUE(t.host.asks.empty());
}

TEST_F(LayerDrawing, PolygonOutgrowingItsBufferIsReportedAndNothingIsWrittenPastIt) {
  ScratchReader file;
  file.openText("sep\n大きな池\n4\n10\n10\n60\n10\n60\n60\n10\n60\n");
  EXPECT_EQ(PolygonBufferSize(file), 4u);
  std::array<TessVertex, 6> storage{};
  for (auto& v : storage) v = {-7, -7, -7};
  ASSERT_TRUE(OpenView(t.job));
  Tessellator tess = NewPolygonTessellator();
  DrawPolygonRecords(t.job, file, std::span(storage.data(), 3), tess, {});
  CloseView(t.job);
  ASSERT_EQ(t.host.asks.size(), 1u);
  EXPECT_EQ(t.host.asks[0].first, "配列変数V 3個をover");
  EXPECT_EQ(t.host.asks[0].second, "大きな池");
  for (size_t k = 3; k < storage.size(); ++k) EXPECT_EQ(storage[k].x, -7) << k;
}

TEST_F(LayerDrawing, SizingCountsTheRingsOfEachPolygonTogether) {
  ScratchReader file;
  file.openText("sep\na\n3\n0\n0\n1\n0\n1\n1\n"
                "mado\na\n2\n0\n0\n1\n1\n"
                "sep\nb\n4\n0\n0\n1\n0\n1\n1\n0\n1\n");
  EXPECT_EQ(PolygonBufferSize(file), 5u);
  // A damaged count asks only for the vertices that are there.
  file.openText("sep\nx\n2000000000\n1\n2\n3\n4\n");
  EXPECT_EQ(PolygonBufferSize(file), 2u);
}

TEST(LayerScale, SizeFactorAndSymbolScaleInPlaneZonesAndLatLon) {
  test::TestJob t(10, 10, 10, 10);
  t.job.settings.czoom = "2.0";
  t.job.coords.unitScale = 1000;
  LayerEntry entry;
  entry.sizeIndex = 12;   // "1.00"
  LayerScale s = LayerScaleFor(t.job, entry);
  EXPECT_DOUBLE_EQ(s.sizeFactor, 2.0);
  EXPECT_DOUBLE_EQ(s.sx, 4.0);   // czoom enters twice
  EXPECT_DOUBLE_EQ(s.sy, 4.0);
  entry.sizeIndex = 0;   // "0.03"
  t.job.coords.latLonMode = true;
  t.job.image.latFactor = 0.8;
  s = LayerScaleFor(t.job, entry);
  EXPECT_DOUBLE_EQ(s.sizeFactor, 0.06);
  EXPECT_DOUBLE_EQ(s.sy, 2.0 * 360 / 40000000000.0 * 0.06);
  EXPECT_DOUBLE_EQ(s.sx, s.sy / 0.8);
}

// ThemeShade: k' = trunc((value / UnitScale - kamen + 2) * k * kankaku * 0.05 + k).
TEST(ThemeShade, BrightensByValueAboveTheBottomBias) {
  struct Row {
    int kankaku, kamen;
    double unitScale, value;
    Colour in, out;
  };
  const Row rows[] = {
      {10, 0, 1, 0, MakeColour(100, 50, 200), MakeColour(200, 100, 255)},
      {0, 3, 1, 25, MakeColour(100, 50, 200), MakeColour(100, 50, 200)},
      {5, 4, 1, 2, MakeColour(100, 50, 200), MakeColour(100, 50, 200)},
      {5, 2, 1000, 2000, MakeColour(100, 0, 40), MakeColour(150, 0, 60)},
      {10, 0, 1, -5, MakeColour(100, 50, 200), MakeColour(0, 0, 0)},
  };
  test::TestJob t(10, 10, 10, 10);
  for (const Row& r : rows) {
    t.job.settings.kankaku = r.kankaku;
    t.job.settings.kamen = r.kamen;
    t.job.coords.unitScale = r.unitScale;
    EXPECT_EQ(ThemeShadeColour(t.job, r.in, r.value), r.out)
        << "kankaku " << r.kankaku << " kamen " << r.kamen << " value " << r.value;
  }
}

TEST_F(LayerDrawing, ThemePolygonsAreShadedByTheirValue) {
  KsjTheme theme;
  theme.caption = "41浸水想定区域";
  theme.on = true;
  theme.colour = MakeColour(100, 50, 120);
  theme.readerMask = 32;
  t.job.settings.kankaku = 10;
  t.job.settings.kamen = 0;
  WriteScratch(theme.caption, "sep\n0\n4\n10\n10\n90\n10\n90\n90\n10\n90\n"
                              "sep\n1\n4\n110\n10\n190\n10\n190\n90\n110\n90\n");
  ASSERT_TRUE(OpenView(t.job));
  DrawTheme(t.job, theme);
  CloseView(t.job);
  EXPECT_EQ(At(50, 50), ThemeShadeColour(t.job, theme.colour, 0));
  EXPECT_EQ(At(150, 50), ThemeShadeColour(t.job, theme.colour, 1));
  EXPECT_EQ(At(50, 150), kBackground);
}

KsjTheme Theme(const std::string& caption, Colour colour, int32_t mask) {
  KsjTheme theme;
  theme.caption = caption;
  theme.on = true;
  theme.colour = colour;
  theme.readerMask = mask;
  return theme;
}

TEST_F(LayerDrawing, ThemeLinesTracksAndTextsAndAMissingThemeFile) {
  KsjTheme lines = Theme("51鉄道", 0x0000FF, 4);
  lines.styleWord = 12 * 256 + 3;
  WriteScratch(lines.caption, "20\n100\n180\n100\nsep\n");
  const KsjTheme tracks = Theme("52竜巻", 0x00A000, 8);
  // Pixels: text at the start, a pen line to the end.
  WriteScratch(tracks.caption, "竜巻\n80\n200\n280\n200.7\n");
  const KsjTheme names = Theme("53空港", 0x000000, 1);
  WriteScratch(names.caption, "100.9\n30.2\n空港\n");
  const KsjTheme missing = Theme("54無し", 0xFF0000, 32);

  ASSERT_TRUE(OpenView(t.job));
  for (const KsjTheme* theme : {&std::as_const(lines), &tracks, &names, &missing}) DrawTheme(t.job, *theme);
  CloseView(t.job);
  EXPECT_EQ(RowsOfColour(100, 100, 0x0000FF), 3) << "line width from the style word";
  EXPECT_EQ(t.pixel(250, 200), 0x00A000) << "track line";
  int textInk = 0;
  for (int y = 30; y < 62; ++y)
    for (int x = 100; x < 160; ++x) textInk += t.pixel(x, y) == 0x000000;
  EXPECT_GT(textInk, 10) << "point text below and right of its corner";
}

}  // namespace
}  // namespace velkaro
