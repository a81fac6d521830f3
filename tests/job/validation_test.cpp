#include "job/validation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "job/cell_buffer.h"
#include "job/coordinates.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

// A job whose five folders exist and whose settings are valid: zone 9,
// metres, a 6 km x 2 km area in 2 x 2 tiles.
class ValidationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velkaro-validation-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    for (const char* name : {"fgd", "dem", "ksj", "kkj", "out"}) fs::create_directory(root / name);
    base.readfolder = (root / "fgd").string();
    base.meshfolder = (root / "dem").string();
    base.syoufolder = (root / "ksj").string();
    base.kkjfolder = (root / "kkj").string();
    base.writefolder = (root / "out").string();
    base.namae = "tokyo";
    base.zahyokei = 33;  // zone 9
    base.tanni = 2;
    base.size = 6;
    base.kita = "1000";
    base.minami = "-1000";
    base.nisi = "-3000";
    base.higasi = "3000";
    base.yokodiv = "2";
    base.tatediv = "2";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  std::string Validate(const JobSettings& s, JobContext*& out) {
    contexts.push_back(std::make_unique<JobContext>(s, host, pool));
    out = contexts.back().get();
    return ValidateJob(*out);
  }
  std::string Validate(const JobSettings& s) {
    JobContext* ignored = nullptr;
    return Validate(s, ignored);
  }

  fs::path root;
  JobSettings base;
  SilentHost host;
  // The pool is large; the tests share one.
  static CellBuffer& SharedPool() {
    static CellBuffer pool;
    return pool;
  }
  CellBuffer& pool = SharedPool();
  std::vector<std::unique_ptr<JobContext>> contexts;
};

TEST_F(ValidationTest, MessagesForSingleFaults) {
  struct Row {
    const char* name;
    std::function<void(JobSettings&)> change;
    const char* message;
  };
  const Row rows[] = {
      {"valid", [](JobSettings&) {}, ""},
      {"name a/b/c", [](JobSettings& s) { s.namae = "a/b/c"; },
       "地図名に / は使えません\r\n地図名に / は使えません\r\n"},
      {"two different characters", [](JobSettings& s) { s.namae = "東京:地図?"; },
       "地図名に : は使えません\r\n地図名に ? は使えません\r\n"},
      {"quote and backslash", [](JobSettings& s) { s.namae = "a\"b\\"; },
       "地図名に \" は使えません\r\n地図名に \\ は使えません\r\n"},
      {"empty name", [](JobSettings& s) { s.namae.clear(); }, "地図名を設定してください\r\n"},
      {"no zone", [](JobSettings& s) { s.zahyokei = -1; }, "座標系を選択してください\r\n"},
      {"zone out of the list", [](JobSettings& s) { s.zahyokei = 99; }, "座標系が異常です\r\n"},
      {"bad edges report once", [](JobSettings& s) { s.kita = "1O00"; s.higasi = "x"; },
       "描画範囲値が異常です\r\n"},
      {"bad column count", [](JobSettings& s) { s.yokodiv = "2x"; }, "分割数が異常です\r\n"},
      {"zero rows", [](JobSettings& s) { s.tatediv = "0"; }, "分割数が異常です\r\n"},
      {"too many rows", [](JobSettings& s) { s.tatediv = "18278"; }, "縦分割数は18277以下に\r\n"},
      {"bad datum", [](JobSettings& s) { s.hose = "-"; }, "基準面補値が異常です\r\n"},
      {"no legend steps", [](JobSettings& s) { s.hanreisu = -1; }, "メッシュ凡例数\r\n"},
      {"bad first interval",
       [](JobSettings& s) { s.legendInterval.cell(0, 0) = "a"; },
       "標高点凡例間隔が異常です\r\n等高線凡例間隔が異常です\r\n"},
      {"bad first bottom", [](JobSettings& s) { s.legendBottom.cell(0, 0) = "b"; },
       "標高点凡例最下面が異常です\r\n等高線凡例最下面が異常です\r\n"},
      {"mesh and contour of different sizes",
       [](JobSettings& s) { s.alti[0] = true; s.cont[1] = true; },
       "標高メッシュと等高線は同じサイズを選んでください\r\n"},
      {"mesh with depressions",
       [](JobSettings& s) { s.alti[1] = true; s.cont[1] = true; s.taisyo = 0; },
       "標高メッシュと窪地は同時に指定できません\r\n"},
      {"mesh and all contours of one size",
       [](JobSettings& s) { s.alti[1] = true; s.cont[1] = true; s.taisyo = 1; }, ""},
      {"movie with two legend steps",
       [](JobSettings& s) { s.type = 1; s.alti[2] = true; s.hanreisu = 0; },
       "動画で間隔・最下面自動設定なら凡例数は3段階以上\r\n"},
      {"movie without mesh", [](JobSettings& s) { s.type = 1; },
       "動画では標高Meshにチェックを入れてください\r\n"},
      {"movie with bad level",
       [](JobSettings& s) { s.type = 1; s.alti[2] = true; s.movieBtm = ""; },
       "最高水位、開始水位が異常です\r\n"},
      {"movie at 0 fps", [](JobSettings& s) { s.type = 1; s.alti[2] = true; s.fps = 0; },
       "動画のフレーム数(fps)は1～30を設定してください\r\n"},
      {"movie at 31 fps", [](JobSettings& s) { s.type = 1; s.alti[2] = true; s.fps = 31; },
       "動画のフレーム数(fps)は1～30を設定してください\r\n"},
      {"movie at 1 and 30 fps", [](JobSettings& s) { s.type = 1; s.alti[2] = true; s.fps = 30; }, ""},
      {"fps of a still job is not judged", [](JobSettings& s) { s.fps = 0; }, ""},
      {"unknown movie format", [](JobSettings& s) { s.type = 1; s.alti[2] = true; s.movieFormat = 2; },
       "動画の形式は 0(AVI) か 1(MP4) を設定してください\r\n"},
      {"PNG output", [](JobSettings& s) { s.type = 3; }, ""},
      {"unknown output type", [](JobSettings& s) { s.type = 4; },
       "出力形式は 0(BMP)、1(動画)、2(GeoTIFF)、3(PNG) のいずれかを設定してください\r\n"},
      {"bad road width", [](JobSettings& s) { s.road = "wide"; },
       "描画する道路の幅員設定が異常です\r\n"},
      {"west equal to east is left to the start", [](JobSettings& s) { s.higasi = "-3000"; }, ""},
  };
  for (const Row& r : rows) {
    JobSettings s = base;
    r.change(s);
    EXPECT_EQ(Validate(s), r.message) << r.name;
  }
}

TEST_F(ValidationTest, MissingFoldersInOrderWithOneLineEndEach) {
  base.readfolder = (root / "none1").string();
  base.meshfolder = "";
  base.syoufolder = (root / "none2").string();
  base.kkjfolder = (root / "none3").string();
  base.writefolder = (root / "out" / "file").string();
  EXPECT_EQ(Validate(base),
            "基盤地図情報フォルダが見つかりません\r\n"
            "標高データフォルダが見つかりません\r\n"
            "国土数値情報フォルダが見つかりません\r\n"
            "国土基本情報フォルダが見つかりません\r\n"
            "書込フォルダが見つかりません\r\n");
}

TEST_F(ValidationTest, NoUnitEndsValidation) {
  JobSettings s = base;
  s.tanni = -1;
  s.zahyokei = -1;
  s.kita = "x";
  s.yokodiv = "x";
  s.hose = "x";
  s.road = "x";
  s.alti[0] = s.cont[3] = true;
  EXPECT_EQ(Validate(s), "単位を設定してください\r\n");
  // Whatever else is wrong, the unit is the only line.
  s.namae = "a|b";
  s.readfolder = "/nonexistent";
  EXPECT_EQ(Validate(s), "単位を設定してください\r\n");
}

TEST_F(ValidationTest, TooManyColumnsEndsValidation) {
  JobSettings s = base;
  s.yokodiv = "300";
  s.legendInterval.cell(0, 0) = "x";
  s.alti[0] = s.cont[3] = true;
  s.road = "x";
  EXPECT_EQ(Validate(s), "横分割数は256以下に\r\n");
}

TEST_F(ValidationTest, LegendGridsAreCheckedCellByCellWhenNotAutomatic) {
  struct Row {
    const char* name;
    int tanni;
    std::vector<std::string> interval, bottom;  // 2 x 2, row by row
    const char* message;
  };
  const Row rows[] = {
      {"empty cells are skipped", 2, {"", "", "", ""}, {"", "", "", ""}, ""},
      {"small interval names its tile", 2, {"10", "0.001", "", "5"}, {"", "", "", ""},
       "メッシュ凡例間隔が異常です A1\r\n"},
      {"small intervals in millimetres", 0, {"5", "20", "1", "9.9"}, {"", "", "", ""},
       "メッシュ凡例間隔が異常です A0\r\n"
       "メッシュ凡例間隔が異常です B0\r\n"
       "メッシュ凡例間隔が異常です B1\r\n"},
      {"a bad cell stops the interval grid", 2, {"10", "x", "0", "0"}, {"", "", "", "y"},
       "メッシュ凡例間隔\r\nメッシュ凡例最下面が異常です\r\n"},
      {"bottom too low", 2, {"", "", "", ""}, {"-5", "-20", "", "-30"},
       "最下面が低すぎます\r\n最下面が低すぎます\r\n"},
  };
  for (const Row& r : rows) {
    JobSettings s = base;
    s.jido = false;
    s.tanni = r.tanni;
    s.legendInterval.resize(2, 2);
    s.legendBottom.resize(2, 2);
    s.legendInterval.cells = r.interval;
    s.legendBottom.cells = r.bottom;
    EXPECT_EQ(Validate(s), r.message) << r.name;
    s.jido = true;
    EXPECT_EQ(Validate(s), "") << r.name << " (automatic)";
  }
}

TEST_F(ValidationTest, LatLonEdgeLimits) {
  struct Row {
    const char *kita, *minami, *nisi, *higasi, *message;
  };
  const Row rows[] = {
      {"35.8", "35.7", "139.7", "139.9", ""},
      {"89.95", "35.7", "139.7", "139.9", "北端は 89.9以下の値を設定してください\r\n"},
      {"35.8", "-90", "139.7", "139.9", "南端は-89.9以上の値を設定してください\r\n"},
      {"35.8", "35.7", "-181", "541", "東端は 540以下の値を設定してください\r\n"
                                       "西端は-180以上の値を設定してください\r\n"},
  };
  for (const Row& r : rows) {
    JobSettings s = base;
    s.zahyokei = kLatLonEntry;
    s.kita = r.kita;
    s.minami = r.minami;
    s.nisi = r.nisi;
    s.higasi = r.higasi;
    EXPECT_EQ(Validate(s), r.message) << r.kita << " " << r.minami << " " << r.nisi;
  }
}

// The snapped box holds the unsnapped one with one to two cells of pad on
// every side, on whole multiples of the cell. The slack allows for the
// inversion's stop tolerance in the raw box.
void ExpectSnappedAround(const TileGeoBox& snapped, const TileGeoBox& raw, double cellLon,
                         double cellLat) {
  const double slack = 0.01;
  const auto onGrid = [](double v, double cell) {
    return std::fabs(v / cell - std::round(v / cell)) < 1e-6;
  };
  EXPECT_TRUE(onGrid(snapped.lonW, cellLon) && onGrid(snapped.lonE, cellLon));
  EXPECT_TRUE(onGrid(snapped.latS, cellLat) && onGrid(snapped.latN, cellLat));
  EXPECT_GE(raw.lonW - snapped.lonW, cellLon * (1 - slack));
  EXPECT_LT(raw.lonW - snapped.lonW, cellLon * (2 + slack));
  EXPECT_GE(snapped.lonE - raw.lonE, cellLon * (1 - slack));
  EXPECT_LE(snapped.lonE - raw.lonE, cellLon * (2 + slack));
  EXPECT_GE(raw.latS - snapped.latS, cellLat * (1 - slack));
  EXPECT_LT(raw.latS - snapped.latS, cellLat * (2 + slack));
  EXPECT_GE(snapped.latN - raw.latN, cellLat * (1 - slack));
  EXPECT_LE(snapped.latN - raw.latN, cellLat * (2 + slack));
}

TEST_F(ValidationTest, DerivedValuesOfAPlaneJob) {
  base.hose = "10";
  base.road = "5.5";
  base.movieTop = "3.5";
  base.legendInterval.cell(0, 0) = "12";
  JobContext* ctx = nullptr;
  ASSERT_EQ(Validate(base, ctx), "");

  EXPECT_DOUBLE_EQ(ctx->coords.unitScale, 1.0);
  EXPECT_EQ(ctx->coords.zone, 9);
  EXPECT_FALSE(ctx->coords.latLonMode);
  EXPECT_EQ(ctx->grid.cols, 2);
  EXPECT_EQ(ctx->grid.rows, 2);
  EXPECT_DOUBLE_EQ(ctx->grid.tileWidth, 3000);
  EXPECT_DOUBLE_EQ(ctx->grid.tileHeight, 1000);
  EXPECT_DOUBLE_EQ(ctx->grid.stepX, 3000);
  EXPECT_DOUBLE_EQ(ctx->grid.stepY, 1000);
  EXPECT_EQ(ctx->image.width, 1024);
  EXPECT_EQ(ctx->image.height, 724);
  EXPECT_DOUBLE_EQ(ctx->image.latFactor, 1.0);
  const double fw = 1024 * 0.95 * 260 / 290;
  EXPECT_NEAR(ctx->image.unitsPerPixel, 3000 / fw, 1e-12);
  EXPECT_NEAR(ctx->image.frameHeight, fw / 3, 1e-9);
  EXPECT_DOUBLE_EQ(ctx->datumOffset, 10);
  EXPECT_EQ(ctx->legendSteps, 16);
  EXPECT_DOUBLE_EQ(ctx->roadWidthThreshold, 5.5);
  EXPECT_DOUBLE_EQ(ctx->movieTop, 3.5);
  EXPECT_DOUBLE_EQ(ctx->movieBtm, 0.0);

  // Legend grids follow the tile grid and keep their cells; per-tile
  // storage has one entry per tile.
  EXPECT_EQ(ctx->settings.legendInterval.rows, 2);
  EXPECT_EQ(ctx->settings.legendBottom.cols, 2);
  EXPECT_EQ(ctx->settings.legendInterval.cell(0, 0), "12");
  EXPECT_EQ(ctx->legendIntervalM.size(), 4u);

  // North-west tile: west -3000 .. 0, north 1000 .. 0, around the origin.
  CoordinateState cs;
  SetZoneNumber(cs, 9, 1.0);
  TileGeoBox raw{180, -180, 90, -90};
  for (const auto& [east, north] : {std::pair{-3000.0, 0.0}, {-3000.0, 1000.0}, {0.0, 1000.0},
                                    {0.0, 0.0}}) {
    const GeoLatLon g = xytobl(cs, east, north);
    raw = {std::min(raw.lonW, g.lon), std::max(raw.lonE, g.lon), std::min(raw.latS, g.lat),
           std::max(raw.latN, g.lat)};
  }
  const ElevationGeometry& eg = ctx->elevation;
  EXPECT_DOUBLE_EQ(eg.cellLon, 1.0 / 18000);
  EXPECT_DOUBLE_EQ(eg.cellLat, 1.0 / 18000);
  ExpectSnappedAround(ctx->geoBox, raw, eg.cellLon, eg.cellLat);
  EXPECT_EQ(eg.gridCols, std::lround((ctx->geoBox.lonE - ctx->geoBox.lonW) / eg.cellLon));
  EXPECT_EQ(eg.gridRows, std::lround((ctx->geoBox.latN - ctx->geoBox.latS) / eg.cellLat));
  // 0.2" of longitude at 36 N is 5.009 m on GRS80; 0.2" of latitude 6.178 m.
  EXPECT_NEAR(eg.cellSizeX, 5.0091, 2e-3);
  EXPECT_NEAR(eg.cellSizeY, 6.1778, 1e-9);
  EXPECT_NEAR(eg.floodCellArea, 2.50453 * 3.0889 * 2, 2e-3);

  const std::string text = DerivedValuesText(*ctx);
  for (const char* line : {"ImageWidth=1024\n", "ImageHeight=724\n", "LegendSteps=16\n",
                           "LatFactor=1\n", "Columns=2\n", "TileWidth=3000\n",
                           "DatumOffset=10\n", "GridCols="})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_NE(text.substr(start, end - start).find('='), std::string::npos);
    start = end + 1;
  }
}

TEST_F(ValidationTest, DerivedValuesOfALatLonJobWithMillimetreUnit) {
  base.zahyokei = kLatLonEntry;
  base.tanni = 0;
  base.kita = "35.8";
  base.minami = "35.7";
  base.nisi = "139.7";
  base.higasi = "139.9";
  base.yokodiv = base.tatediv = "1";
  base.alti[2] = true;  // 50 m DEM
  base.hose = "2000";
  JobContext* ctx = nullptr;
  ASSERT_EQ(Validate(base, ctx), "");
  EXPECT_TRUE(ctx->coords.latLonMode);
  EXPECT_DOUBLE_EQ(ctx->datumOffset, 2.0);
  const double lf = std::cos(35.75 * M_PI / 180);
  EXPECT_NEAR(ctx->image.latFactor, lf, 1e-12);
  EXPECT_NEAR(ctx->image.unitsPerPixel, 0.2 / (1024 * 0.95 * 260 / 290) * lf, 1e-15);
  const ElevationGeometry& eg = ctx->elevation;
  EXPECT_DOUBLE_EQ(eg.cellLon, 0.000625);
  EXPECT_DOUBLE_EQ(eg.cellLat, 1.0 / 2400);
  EXPECT_DOUBLE_EQ(eg.cellSizeX, eg.cellLon);
  EXPECT_DOUBLE_EQ(eg.cellSizeY, eg.cellLat);
  ExpectSnappedAround(ctx->geoBox, {139.7, 139.9, 35.7, 35.8}, eg.cellLon, eg.cellLat);
  EXPECT_EQ(eg.gridCols, std::lround((ctx->geoBox.lonE - ctx->geoBox.lonW) / eg.cellLon));
}

TEST_F(ValidationTest, GridsOfMoreThan256TilesAreAllowed) {
  base.yokodiv = "20";
  base.tatediv = "30";
  JobContext* ctx = nullptr;
  ASSERT_EQ(Validate(base, ctx), "");
  EXPECT_EQ(ctx->legendIntervalM.size(), 600u);
  EXPECT_EQ(ctx->legendBottomM.size(), 600u);
  EXPECT_EQ(ctx->settings.legendBottom.rows, 30);
}

TEST(Validation, ElevationClassInEffect) {
  struct Row {
    const char* name;
    int mesh, contour;  // -1 none
    int cls;
  };
  const Row rows[] = {{"none", -1, -1, 0}, {"mesh 250 m", 3, -1, 3}, {"contour 10 m", -1, 1, 1},
                      {"contour wins", 4, 2, 2}};
  for (const Row& r : rows) {
    JobSettings s;
    if (r.mesh >= 0) s.alti[static_cast<size_t>(r.mesh)] = true;
    if (r.contour >= 0) s.cont[static_cast<size_t>(r.contour)] = true;
    EXPECT_EQ(ElevationClassInEffect(s), r.cls) << r.name;
  }
}

}  // namespace
}  // namespace velkaro
