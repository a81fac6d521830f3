// The coloured mesh and the hillshade: the quad split, flood thresholds, the
// light, and a real DEM sample drawn cell by cell with a known legend.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "elevation/dem_readers.h"
#include "elevation/terrain_mesh.h"
#include "elevation_test_support.h"
#include "render/terrain_drawing.h"

namespace velkaro {
namespace {

// Corner positions (east, north) of a unit quad.
constexpr double kCornerXY[4][2] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};

double Orientation(const QuadCorner (&t)[3]) {
  const double* a = kCornerXY[t[0]];
  const double* b = kCornerXY[t[1]];
  const double* c = kCornerXY[t[2]];
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

TEST(SplitQuad, AvoidsTheLowestCornerAndDropsFloodedTriangles) {
  struct Case {
    const char* name;
    double tl, tr, bl, br, water;
    int count;
    QuadCorner first[3];
  };
  const Case cases[] = {
      {"BR lowest: split TR-BL", 10, 10, 10, 9, -9998, 2, {kTL, kBL, kTR}},
      {"TL and BL equal lowest: BL counts", 5, 7, 5, 7, -9998, 2, {kBL, kBR, kTL}},
      {"TR lowest", 8, 3, 8, 8, -9998, 2, {kBL, kBR, kTL}},
      {"TL lowest", 1, 3, 3, 3, -9998, 2, {kTL, kBL, kTR}},
      {"level between: the low corner's triangle goes", 10, 10, 10, 9, 9.5, 1, {kTL, kBL, kTR}},
      {"diagonal corner under water: both go", 9, 9.2, 10, 10, 9.5, 0, {}},
      {"level on a corner counts as dry", 10, 10, 10, 9, 9, 2, {kTL, kBL, kTR}},
      {"no-data corner", 10, 10, 10, -9999, -9998, 1, {kTL, kBL, kTR}},
  };
  for (const Case& c : cases) {
    const QuadSplit s = SplitQuad(c.tl, c.tr, c.bl, c.br, c.water);
    ASSERT_EQ(s.count, c.count) << c.name;
    if (c.count > 0) {
      for (int k = 0; k < 3; ++k) EXPECT_EQ(s.tri[0][k], c.first[k]) << c.name;
    }
    for (int t = 0; t < s.count; ++t) EXPECT_GT(Orientation(s.tri[t]), 0) << c.name << " triangle " << t;
  }
  // The lowest corner BR is shared by one triangle only.
  const QuadSplit s = SplitQuad(10, 10, 10, 9, -9998);
  int touching = 0;
  for (int t = 0; t < 2; ++t)
    for (int k = 0; k < 3; ++k) touching += s.tri[t][k] == kBR;
  EXPECT_EQ(touching, 1);
}

TEST(ShadeBrightness, LightFromTheNorthWestAndTheTwoModes) {
  const double level[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const LightVector horizon = LightVectorOf(135, 0);
  EXPECT_EQ(ShadeBrightness(level[0], level[1], level[2], horizon, 0), 1);    // keeps its colour
  EXPECT_NEAR(ShadeBrightness(level[0], level[1], level[2], horizon, 1), std::pow(0.5, 1.0), 1e-12);

  // A slope rising away from direction d faces d; with houi 135 the one
  // facing north-west is brightest and the one facing south-east darkest.
  const LightVector light = LightVectorOf(135, 300);
  double best = -2, worst = 2;
  int bestDir = -1, worstDir = -1;
  for (int d = 0; d < 360; d += 45) {
    const double fx = std::cos(d * M_PI / 180), fy = std::sin(d * M_PI / 180);
    auto z = [&](double x, double y) { return -(x * fx + y * fy); };
    const double a[3] = {0, 0, z(0, 0)}, b[3] = {1, 0, z(1, 0)}, c[3] = {0, 1, z(0, 1)};
    const double s = ShadeBrightness(a, b, c, light, 1);
    if (s > best) best = s, bestDir = d;
    if (s < worst) worst = s, worstDir = d;
  }
  EXPECT_EQ(bestDir, 135);   // (-1, 1) in (east, north): north-west
  EXPECT_EQ(worstDir, 315);
  // Flat-land mode turns slopes facing away from the light black.
  const double a[3] = {0, 0, 0}, b[3] = {1, 0, -5}, c[3] = {0, 1, 5};
  EXPECT_EQ(ShadeBrightness(a, b, c, LightVectorOf(135, 0), 0), -1);
}

// Independent reading of a DEM sample's tuples.
struct SampleDem {
  double lowerLat, lowerLon, upperLat, upperLon;
  int width = 225, height = 150;
  std::vector<double> v;
};

SampleDem ReadSample(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  SampleDem d{};
  auto after = [](const std::string& l, const char* tag) {
    const size_t at = l.find(tag);
    return at == std::string::npos ? std::string() : l.substr(at + std::strlen(tag));
  };
  bool tuples = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (tuples) {
      if (line == "</gml:tupleList>") break;
      const double value = std::stod(line.substr(line.find(',') + 1));
      d.v.push_back(value < -9000 ? -9999 : value);
      continue;
    }
    std::string rest;
    if (!(rest = after(line, "<gml:lowerCorner>")).empty()) std::istringstream(rest) >> d.lowerLat >> d.lowerLon;
    if (!(rest = after(line, "<gml:upperCorner>")).empty()) std::istringstream(rest) >> d.upperLat >> d.upperLon;
    if (line == "<gml:tupleList>") tuples = true;
  }
  d.v.resize(static_cast<size_t>(d.width * d.height), -9999);
  return d;
}

// Drawn in plane zone 8: vertex positions in metres keep their precision in
// the single-precision GL pipeline, while degrees of a small tile would not.
TEST(DrawElevationMesh, PutsEachTrianglesLegendColourAtItsPixels) {
  const std::string folder = std::string(VELKARO_SAMPLES_DIR) + "/dem";
  const SampleDem dem = ReadSample(folder + "/FG-GML-5238-74-00-DEM5A-20161001.xml");
  test::ElevationJob job;
  JobContext& ctx = job.job();
  ASSERT_TRUE(SetZoneNumber(ctx.coords, 8, 1.0));
  ctx.settings.meshfolder = folder;
  // The tile: the plane box of the file's envelope.
  const PlaneXY sw = bltoxy(ctx.coords, dem.lowerLon, dem.lowerLat);
  const PlaneXY ne = bltoxy(ctx.coords, dem.upperLon, dem.upperLat);
  ctx.tile = CurrentTile{0, 0, sw.y, ne.y, ne.x, sw.x};
  ASSERT_TRUE(PrepareElevationGrid(ctx));
  const int n = 16;
  const double interval = 25, bottom = 0;
  ctx.legendSteps = n;
  job.setLegend(interval, bottom);

  const int width = 1400;
  const int height = static_cast<int>(width * (ne.x - sw.x) / (ne.y - sw.y));
  const Colour white = MakeColour(255, 255, 255);
  test::GlCanvas canvas(width, height, ctx.tile.west, ctx.tile.east, ctx.tile.south, ctx.tile.north, white);
  ASSERT_TRUE(canvas.ok);
  ctx.surface = canvas.surface.get();
  const long drawn = DrawElevationMesh(ctx);
  canvas.save("/tmp/velkaro-elevation-mesh.png");

  // Pixel position of the centre of file cell (r, c).
  auto pixelOf = [&](int r, int c, double out[2]) {
    const PlaneXY p = bltoxy(ctx.coords, dem.lowerLon + (c + 0.5) / 18000, dem.upperLat - (r + 0.5) / 18000);
    out[0] = (p.y - ctx.tile.west) / (ctx.tile.east - ctx.tile.west) * width;
    out[1] = (ctx.tile.north - p.x) / (ctx.tile.north - ctx.tile.south) * height;
  };
  auto value = [&](int r, int c) { return dem.v[static_cast<size_t>(r * dem.width + c)]; };
  long expectedTriangles = 0, mismatches = 0;
  for (int r = 0; r + 1 < dem.height; ++r)
    for (int c = 0; c + 1 < dem.width; ++c) {
      // Corners TL, TR, BL, BR; the split avoids the lowest (BL wins ties with TL).
      const double z[4] = {value(r, c), value(r, c + 1), value(r + 1, c), value(r + 1, c + 1)};
      double xy[4][2];
      pixelOf(r, c, xy[0]);
      pixelOf(r, c + 1, xy[1]);
      pixelOf(r + 1, c, xy[2]);
      pixelOf(r + 1, c + 1, xy[3]);
      int lowest = 0;
      if (z[2] <= z[lowest]) lowest = 2;
      if (z[1] < z[lowest]) lowest = 1;
      if (z[3] < z[lowest]) lowest = 3;
      const int splitTRBL[2][3] = {{0, 2, 1}, {3, 1, 2}}, splitTLBR[2][3] = {{2, 3, 0}, {1, 0, 3}};
      const int (*tris)[3] = lowest == 0 || lowest == 3 ? splitTRBL : splitTLBR;
      for (int t = 0; t < 2; ++t) {
        const int* k = tris[t];
        const bool dry = z[k[0]] > -9998 && z[k[1]] > -9998 && z[k[2]] > -9998;
        const double px = (xy[k[0]][0] + xy[k[1]][0] + xy[k[2]][0]) / 3;
        const double py = (xy[k[0]][1] + xy[k[1]][1] + xy[k[2]][1]) / 3;
        const double mean = (z[k[0]] + z[k[1]] + z[k[2]]) / 3;
        const Colour want = dry ? elevcl(n, 1.0f, interval, bottom, mean, ctx.settings.iro) : white;
        expectedTriangles += dry;
        const Colour got = canvas.pixel(static_cast<int>(px), static_cast<int>(py));
        if (got != want && mismatches < 5)
          ADD_FAILURE() << "quad " << r << "," << c << " mean " << mean << " got " << std::hex << got
                        << " want " << want << std::dec;
        mismatches += got != want;
      }
    }
  EXPECT_EQ(mismatches, 0);
  // Still images flood nothing: every triangle with data is drawn (the quads
  // reaching into the grid's pad have a corner without data).
  EXPECT_EQ(drawn, expectedTriangles);
  EXPECT_EQ(canvas.surface->tile().dryTriangleCount, drawn);
}

TEST(DrawHillshade, ShadesARealSampleAndLeavesGapsBlank) {
  const std::string folder = std::string(VELKARO_SAMPLES_DIR) + "/dem";
  const SampleDem dem = ReadSample(folder + "/FG-GML-6443-20-80-DEM5A-20210115.xml");
  for (int mode : {0, 1}) {
    test::ElevationJob job;
    JobContext& ctx = job.job();
    ctx.settings.meshfolder = folder;
    ctx.settings.shadowmd = mode;
    ctx.settings.height = 300;
    ctx.tile = CurrentTile{0, 0, dem.lowerLon, dem.upperLon, dem.upperLat, dem.lowerLat};
    ASSERT_TRUE(PrepareElevationGrid(ctx));
    job.setLegend(10, 0);
    const int width = dem.width * 3, height = dem.height * 3;
    test::GlCanvas canvas(width, height, dem.lowerLon, dem.upperLon, dem.lowerLat, dem.upperLat);
    ASSERT_TRUE(canvas.ok);
    ctx.surface = canvas.surface.get();
    EXPECT_GT(DrawHillshade(ctx), 0);
    canvas.save("/tmp/velkaro-hillshade-" + std::to_string(mode) + ".png");
    // Cells without data stay in the background colour.
    int gaps = 0, blank = 0;
    for (int r = 1; r + 1 < dem.height; ++r)
      for (int c = 1; c + 1 < dem.width; ++c) {
        bool allGap = true;
        for (int dr = -1; dr <= 1; ++dr)
          for (int dc = -1; dc <= 1; ++dc) allGap &= dem.v[static_cast<size_t>((r + dr) * dem.width + c + dc)] < -9000;
        if (!allGap) continue;
        ++gaps;
        blank += canvas.pixel(c * 3 + 1, r * 3 + 1) == MakeColour(255, 255, 255);
      }
    EXPECT_GT(gaps, 0);
    EXPECT_EQ(blank, gaps);
  }
}

}  // namespace
}  // namespace velkaro

namespace velkaro {
namespace {

// A host whose abort button is pressed at its n-th event pump.
struct AbortingHost : SilentHost {
  JobContext* job = nullptr;
  int pumpsLeft = 0;
  std::vector<std::string> progress;
  void pump() override {
    if (--pumpsLeft == 0) job->runFlag = false;
  }
  void setLabel(LabelRole role, const std::string& text) override {
    if (role == LabelRole::Detail) progress.push_back(text);
  }
};

TEST(DrawElevationMesh, ReportsProgressAndStopsEveryHundredRows) {
  AbortingHost host;
  JobSettings settings;
  settings.zahyokei = 56;
  settings.alti[4] = true;
  CellBuffer pool;
  JobContext ctx(settings, host, pool);
  SetZoneNumber(ctx.coords, 0, 1.0);
  ctx.runFlag = true;
  ctx.legendIntervalM = {1};
  ctx.legendBottomM = {0};
  host.job = &ctx;
  host.pumpsLeft = 3;   // the pumps at rows 0, 100 and 200: abort at row 200
  ElevationGrid& g = ctx.elevGrid;
  g.cellLon = g.cellLat = 1.0 / 60;
  g.gridLonW = 139;
  g.gridLatN = 36;
  g.gridCols = g.winCol1 = 10;
  g.gridRows = g.winRow1 = 302;
  for (int i = 0; i < 3020; ++i) pool[i].x = 5;
  test::GlCanvas canvas(50, 50, 139, 139 + 10 / 60.0, 36 - 302 / 60.0, 36);
  ASSERT_TRUE(canvas.ok);
  ctx.surface = canvas.surface.get();
  EXPECT_EQ(DrawElevationMesh(ctx), 200 * 9 * 2);
  EXPECT_EQ(host.progress, (std::vector<std::string>{"0%", "0%", "33%", "67%"}));
}

}  // namespace
}  // namespace velkaro
