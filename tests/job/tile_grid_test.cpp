#include "job/tile_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "job/cell_buffer.h"

namespace velkaro {
namespace {

TEST(TileGrid, SizesAndSteps) {
  struct Row {
    const char* name;
    DrawingArea area;  // north, south, west, east
    int cols, rows, kasane;
    double tw, th, sx, sy;
  };
  const Row rows[] = {
      {"defaults", {0.01, 0, 0, 0.01}, 1, 1, 0, 0.01, 0.01, 0.01, 0.01},
      {"two columns half overlap", {100, 0, 0, 300}, 2, 1, 50, 200, 100, 100, 50},
      {"3 x 4 no overlap", {300, 0, -400, 0}, 4, 3, 0, 100, 100, 100, 100},
      {"overlap 20 %", {0, -1000, 0, 1000}, 3, 2, 20, 1000 / 2.6, 1000 / 1.8,
       0.8 * 1000 / 2.6, 0.8 * 1000 / 1.8},
  };
  for (const Row& r : rows) {
    const TileGrid g = MakeTileGrid(r.area, r.cols, r.rows, r.kasane);
    EXPECT_NEAR(g.tileWidth, r.tw, 1e-9) << r.name;
    EXPECT_NEAR(g.tileHeight, r.th, 1e-9) << r.name;
    EXPECT_NEAR(g.stepX, r.sx, 1e-9) << r.name;
    EXPECT_NEAR(g.stepY, r.sy, 1e-9) << r.name;
    // The last tile ends exactly on the east and south edges.
    const CurrentTile last = TileAt(r.area, g, ImageGeometry{}, r.rows - 1, r.cols - 1);
    EXPECT_NEAR(last.east, r.area.east, 1e-9) << r.name;
    EXPECT_NEAR(last.south, r.area.south, 1e-9) << r.name;
    const CurrentTile first = TileAt(r.area, g, ImageGeometry{}, 0, 0);
    EXPECT_DOUBLE_EQ(first.west, r.area.west) << r.name;
    EXPECT_DOUBLE_EQ(first.north, r.area.north) << r.name;
  }
}

TEST(TileGrid, HalfOverlapTilesCoverTheirShares) {
  const DrawingArea area{100, 0, 0, 300};
  const TileGrid g = MakeTileGrid(area, 2, 1, 50);
  const CurrentTile a = TileAt(area, g, ImageGeometry{}, 0, 0);
  const CurrentTile b = TileAt(area, g, ImageGeometry{}, 0, 1);
  EXPECT_DOUBLE_EQ(a.west, 0);
  EXPECT_DOUBLE_EQ(a.east, 200);
  EXPECT_DOUBLE_EQ(b.west, 100);
  EXPECT_DOUBLE_EQ(b.east, 300);
}

TEST(TileGrid, LatFactorAndAspectFit) {
  // 2 degrees of longitude by 1 of latitude at 60 N counts as square.
  const DrawingArea lonlat{60.5, 59.5, 139, 141};
  EXPECT_NEAR(LatFactorOf(lonlat, true), 0.5, 1e-12);
  EXPECT_DOUBLE_EQ(LatFactorOf(lonlat, false), 1.0);
  const TileGrid g = MakeTileGrid(lonlat, 1, 1, 0);
  const ImageGeometry square = FitImageToTile(1024, 724, g, 0.5);
  EXPECT_NEAR(square.frameHeight, 724 * 0.9, 1e-9);
  EXPECT_NEAR(square.unitsPerPixel, 1.0 / (724 * 0.9), 1e-12);
  // The map's pixel width equals its height, the frame follows the map.
  EXPECT_NEAR(square.frameWidth, square.frameHeight, 1e-9);

  // A wide plane tile fills the frame width.
  const DrawingArea wide{0, -1000, 0, 10000};
  const ImageGeometry fit = FitImageToTile(1024, 724, MakeTileGrid(wide, 1, 1, 0), 1.0);
  const double fw = 1024 * 0.95 * 260 / 290;
  EXPECT_NEAR(fit.frameWidth, fw, 1e-9);
  EXPECT_NEAR(fit.unitsPerPixel, 10000 / fw, 1e-9);
  EXPECT_NEAR(fit.frameHeight, 1000 / fit.unitsPerPixel, 1e-9);
}

TEST(TileGrid, TileCentreLandsAtTheMapCentre) {
  struct Row {
    const char* name;
    DrawingArea area;
    bool latLon;
    int row, col;
  };
  const Row rows[] = {
      {"plane, 3 x 2", {5000, -1000, -3000, 9000}, false, 2, 1},
      {"lat/lon at 60", {61, 59, 139, 143}, true, 0, 1},
  };
  for (const Row& r : rows) {
    const TileGrid g = MakeTileGrid(r.area, 2, 3, 10);
    const ImageGeometry im = FitImageToTile(1280, 720, g, LatFactorOf(r.area, r.latLon));
    const CurrentTile t = TileAt(r.area, g, im, r.row, r.col);
    const double cy = (t.west + t.east) / 2, cx = (t.north + t.south) / 2;
    const double column = cy / im.unitsPerPixel * im.latFactor - t.mapOffsetX;
    const double pixelRow = im.height - cx / im.unitsPerPixel + t.mapOffsetY;
    EXPECT_NEAR(column, 1280 * (0.95 * 160 / 290 + 0.025), 1e-6) << r.name;
    EXPECT_NEAR(pixelRow, 360, 1e-6) << r.name;
  }
}

TEST(TileGrid, RowLabels) {
  struct Row {
    int rows, row;
    const char* label;
  };
  const Row cases[] = {
      {1, 0, "A"},        {26, 0, "A"},        {26, 25, "Z"},       {27, 0, "_A"},
      {27, 25, "_Z"},     {27, 26, "AA"},      {701, 700, "ZY"},    {702, 0, "__A"},
      {702, 26, "_AA"},   {18277, 701, "_ZZ"}, {18277, 702, "AAA"}, {18277, 703, "AAB"},
      {18277, 728, "ABA"}, {18277, 18276, "ZZY"}, {18278, 0, ""},    {0, 0, ""},
      {26, 26, ""},       {26, -1, ""},
  };
  for (const Row& c : cases)
    EXPECT_EQ(rowst(c.row, "_", c.rows), c.label) << c.rows << " rows, row " << c.row;
  EXPECT_EQ(rowst(3, "", 30), "D");
}

TEST(TileGrid, ColumnLabels) {
  struct Row {
    int cols, col;
    const char* label;
  };
  const Row cases[] = {{1, 0, "0"},     {10, 9, "9"},     {11, 0, "00"},     {11, 10, "10"},
                       {100, 7, "07"},  {101, 5, "005"},  {1000, 999, "999"}, {1001, 5, "0005"}};
  for (const Row& c : cases) EXPECT_EQ(colst(c.col, c.cols), c.label) << c.cols << " cols";
}

TEST(TileGrid, FileNames) {
  JobSettings s;
  s.writefolder = "/out";
  s.namae = "tokyo";
  struct Row {
    int rows, cols, type, row, col;
    const char* name;
  };
  const Row cases[] = {
      {1, 1, 0, 0, 0, "/out/tokyo.bmp"},     {1, 1, 1, 0, 0, "/out/tokyo.avi"},
      {1, 1, 2, 0, 0, "/out/tokyo.tif"},     {3, 4, 0, 0, 0, "/out/tokyoA0.bmp"},
      {3, 4, 0, 2, 3, "/out/tokyoC3.bmp"},   {30, 12, 0, 0, 0, "/out/tokyo_A00.bmp"},
      {30, 12, 2, 29, 11, "/out/tokyoAD11.tif"},
  };
  for (const Row& c : cases) {
    s.type = c.type;
    TileGrid g;
    g.rows = c.rows;
    g.cols = c.cols;
    EXPECT_EQ(TileFileName(s, g, c.row, c.col), c.name);
  }
  s.writefolder = "/out/";
  s.type = 0;
  EXPECT_EQ(TileFileName(s, TileGrid{}, 0, 0), "/out/tokyo.bmp");
}

TEST(TileGrid, ImagePresets) {
  const ImageSize none = ImageSizeOfPreset(-1);
  EXPECT_EQ(none.width, 1024);
  EXPECT_EQ(none.height, 724);
  EXPECT_EQ(ImageSizeOfPreset(99).width, 1024);
  // No QGuiApplication here: the screen preset falls back to 1920 x 1080.
  const ImageSize screen = ImageSizeOfPreset(kScreenSizePreset);
  EXPECT_EQ(screen.width, 1920);
  EXPECT_EQ(screen.height, 1080);
  // Every fixed preset's caption names its own size.
  for (int i = 0; i < kImagePresetCount; ++i) {
    if (i == kScreenSizePreset) continue;
    const ImagePreset& p = kImagePresets[static_cast<size_t>(i)];
    char a[16], b[16];
    std::snprintf(a, sizeof a, "%d", p.width);
    std::snprintf(b, sizeof b, "%d", p.height);
    const std::string caption = p.caption;
    EXPECT_NE(caption.find(a), std::string::npos) << caption;
    EXPECT_NE(caption.find(b), std::string::npos) << caption;
    EXPECT_EQ(ImageSizeOfPreset(i).width, p.width);
  }
}

TEST(TileGrid, ParsingTypedNumbers) {
  struct Row {
    const char* text;
    bool ok;
    double value;
  };
  const Row decimals[] = {{"1.5", true, 1.5},   {" 2 ", true, 2},    {"+3", true, 3},
                          {"-0.25", true, -0.25}, {".5", true, 0.5}, {"1e3", true, 1000},
                          {"", false, 0},       {"abc", false, 0},   {"1,5", false, 0},
                          {"1.2.3", false, 0},  {"inf", false, 0},   {"nan", false, 0},
                          {"12m", false, 0}};
  for (const Row& r : decimals) {
    double v = -7;
    EXPECT_EQ(ParseDecimal(r.text, v), r.ok) << '"' << r.text << '"';
    EXPECT_DOUBLE_EQ(v, r.ok ? r.value : -7) << '"' << r.text << '"';
  }
  struct CountRow {
    const char* text;
    bool ok;
    int value;
  };
  const CountRow counts[] = {{"", true, 1},     {"12", true, 12},  {" 3", true, 3},
                             {"1.5", false, 0}, {"x", false, 0},   {"99999999999", false, 0}};
  for (const CountRow& r : counts) {
    int v = -7;
    EXPECT_EQ(ParseCount(r.text, v), r.ok) << '"' << r.text << '"';
    if (r.ok) {
      EXPECT_EQ(v, r.value) << '"' << r.text << '"';
    }
  }
}

TEST(TileGrid, SizeReadout) {
  struct Row {
    const char* name;
    int zahyokei;
    const char *kita, *minami, *nisi, *higasi, *yokodiv;
    int kasane;
    const char* text;
  };
  const Row rows[] = {
      {"plane defaults", 33, "0.01", "0", "0", "0.01", "1", 0, "高:0 幅:0"},
      {"lat/lon defaults", 56, "0.01", "0", "0", "0.01", "1", 0, "高:0.010000 幅:0.010000"},
      {"half overlap", 33, "100", "0", "0", "300", "2", 50, "高:100 幅:200"},
      {"empty column count", 33, "100", "0", "0", "300", "", 0, "高:100 幅:300"},
      {"south not below north", 33, "0", "0", "0", "300", "1", 0, ""},
      {"west not left of east", 33, "10", "0", "5", "5", "1", 0, ""},
      {"bad edge", 33, "1O0", "0", "0", "300", "1", 0, ""},
      {"empty edge", 33, "", "0", "0", "300", "1", 0, ""},
      {"bad count", 33, "100", "0", "0", "300", "x", 0, ""},
  };
  for (const Row& r : rows) {
    JobSettings s;
    s.zahyokei = r.zahyokei;
    s.kita = r.kita;
    s.minami = r.minami;
    s.nisi = r.nisi;
    s.higasi = r.higasi;
    s.yokodiv = r.yokodiv;
    s.kasane = r.kasane;
    EXPECT_EQ(SizeReadout(s), r.text) << r.name;
  }
}

}  // namespace
}  // namespace velkaro
