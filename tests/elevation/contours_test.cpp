// Contour tracing: hills and depressions by their turns, nodes on the level,
// depressions that close in the grid's margin, filters, thick levels, the
// store limit, flood frames and the drawn result.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elevation/contours.h"
#include "elevation/messages.h"
#include "elevation_test_support.h"
#include "render/contour_drawing.h"
#include "render/contour_overlay.h"
#include "render/terrain_drawing.h"

namespace velkaro {
namespace {

struct Line {
  int flag;
  std::vector<CellPair> points;
};

// A 1-arc-minute contour job over a grid of `size` x `size` cells.
struct ContourJob : test::ElevationJob {
  explicit ContourJob(int size, double value, int taisyo = 1) : test::ElevationJob(4, true) {
    ctx->settings.taisyo = taisyo;
    plainGrid(size, size, value);
  }
  void window(int r0, int c0, int r1, int c1) {
    ElevationGrid& g = ctx->elevGrid;
    g.winRow0 = r0, g.winCol0 = c0, g.winRow1 = r1, g.winCol1 = c1;
  }
  // Traces one level with the store behind the grid; returns the kept lines.
  std::vector<Line> trace(double level, int64_t capacity = 100000, TraceOutcome* outcome = nullptr) {
    const ElevationGrid& g = ctx->elevGrid;
    CellPair* cells = pool.data();
    for (int64_t i = 0; i < g.cellCount(); ++i) cells[i].y = 0;
    ContourStore store(cells + g.cellCount(), capacity);
    ContourTracer tracer(cells, g, store, ContourFilter{ctx->settings.taisyo, ctx->settings.syoryaku});
    const TraceOutcome result = tracer.TraceLevel(level, 1, nullptr);
    if (outcome) *outcome = result;
    std::vector<Line> lines;
    for (int64_t at = 0; at < store.end();) {
      const CellPair* header = store.base() + at;
      const int64_t h = static_cast<int64_t>(header->x);
      lines.push_back(Line{static_cast<int>(header->y), std::vector<CellPair>(header + 1, header + 1 + h)});
      at += h + 1;
    }
    return lines;
  }
};

TEST(TraceContour, SingleNodesGiveClosedHillsAndDepressions) {
  struct Case {
    const char* name;
    double ground, node, level;
    int flag;
  };
  const Case cases[] = {
      {"high node", 0, 10, 5, kHill},
      {"low node", 10, 0, 5, kDepression},
      {"node on the level counts as high", 0, 5, 5, kHill},
  };
  for (const Case& c : cases) {
    ContourJob job(7, c.ground);
    job.at(3, 3) = c.node;
    const std::vector<Line> lines = job.trace(c.level);
    ASSERT_EQ(lines.size(), 1u) << c.name;
    EXPECT_EQ(lines[0].flag, c.flag) << c.name;
    ASSERT_EQ(lines[0].points.size(), 4u) << c.name;
    // The four crossings lie on the four edges leaving the node.
    for (const CellPair& p : lines[0].points) {
      EXPECT_NEAR(std::fabs(p.x - 3) + std::fabs(p.y - 3), c.node == c.level ? 0.0 : 0.5, 1e-12) << c.name;
    }
  }
}

TEST(TraceContour, FindsHillsOnEveryRowOfTheWindow) {
  for (int row = 1; row <= 5; ++row) {
    ContourJob job(7, 0);
    job.at(row, 3) = 10;
    const std::vector<Line> lines = job.trace(5);
    ASSERT_EQ(lines.size(), 1u) << "node row " << row;
    EXPECT_EQ(lines[0].flag, kHill) << "node row " << row;
  }
}

TEST(TraceContour, KeepsHigherGroundOnTheRight) {
  // A ramp rising eastward: one open line running north to south... or
  // south to north with the high ground (east) on its right: northward.
  ContourJob job(6, 0);
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 6; ++c) job.at(r, c) = c * 10;
  const std::vector<Line> lines = job.trace(25);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].flag, kOpenLine);
  const std::vector<CellPair>& p = lines[0].points;
  ASSERT_EQ(p.size(), 6u);
  EXPECT_GT(p.front().y, p.back().y);   // travels north
  for (const CellPair& q : p) EXPECT_NEAR(q.x, 2.5, 1e-12);
}

TEST(TraceContour, SaddleKeepsTheHighCornersApart) {
  // Two high nodes on a diagonal: two separate hills, not one line joining them.
  ContourJob job(6, 0);
  job.at(2, 2) = 10;
  job.at(3, 3) = 10;
  const std::vector<Line> lines = job.trace(5);
  ASSERT_EQ(lines.size(), 2u);
  for (const Line& l : lines) {
    EXPECT_EQ(l.flag, kHill);
    EXPECT_EQ(l.points.size(), 4u);
  }
}

// A pit of radius 2 centred on the tile window's northern edge.
ContourJob PitOnTheEdge(int taisyo, bool margin) {
  ContourJob job(20, 10, taisyo);
  if (margin) job.window(6, 6, 14, 14);
  const int centreRow = margin ? 6 : 0;
  for (int r = 0; r < 20; ++r)
    for (int c = 0; c < 20; ++c)
      if (std::hypot(r - centreRow, c - 10) <= 2) job.at(r, c) = 0;
  return job;
}

TEST(TraceContour, APitAcrossTheTileEdgeClosesInTheMargin) {
  for (int taisyo : {2, 3}) {
    ContourJob job = PitOnTheEdge(taisyo, true);
    const std::vector<Line> lines = job.trace(5);
    ASSERT_EQ(lines.size(), 1u) << taisyo;
    EXPECT_EQ(lines[0].flag, kDepression);
    bool outside = false;
    for (const CellPair& p : lines[0].points) outside |= p.y < 6;
    EXPECT_TRUE(outside) << "the ring runs through the margin";
  }
  // Without a margin the same pit is cut by the grid edge: an open line,
  // which a depression-only job leaves out.
  EXPECT_TRUE(PitOnTheEdge(2, false).trace(5).empty());
  EXPECT_EQ(PitOnTheEdge(1, false).trace(5).at(0).flag, kOpenLine);
  EXPECT_TRUE(PitOnTheEdge(0, true).trace(5).empty());   // "all but depressions"
}

TEST(TraceContour, TargetsAndOmissionFilterLines) {
  struct Case {
    int taisyo, syoryaku;
    int hills, depressions, open;
  };
  // West half at 3 m with a 10 m node (a hill of 4 points), east half at 7 m
  // with a 0 m node (a depression of 4 points); the 5 m line between the
  // halves is open and 12 points long.
  const Case cases[] = {
      {0, 0, 1, 0, 1}, {1, 0, 1, 1, 1}, {2, 0, 0, 1, 0}, {3, 0, 0, 1, 0},
      {1, 1, 1, 1, 1},   // "8節未満省略" keeps lines of 4 points
      {1, 2, 0, 0, 1},   // 8 points needed
      {1, 3, 0, 0, 0},   // 16 points needed
  };
  for (const Case& c : cases) {
    ContourJob job(12, 3, c.taisyo);
    job.ctx->settings.syoryaku = c.syoryaku;
    for (int r = 0; r < 12; ++r)
      for (int col = 6; col < 12; ++col) job.at(r, col) = 7;
    job.at(3, 2) = 10;
    job.at(8, 9) = 0;
    int counts[3] = {0, 0, 0};   // depressions, open, hills
    for (const Line& l : job.trace(5)) ++counts[l.flag + 1];
    const std::string name = "taisyo " + std::to_string(c.taisyo) + " syoryaku " + std::to_string(c.syoryaku);
    EXPECT_EQ(counts[2], c.hills) << name;
    EXPECT_EQ(counts[0], c.depressions) << name;
    EXPECT_EQ(counts[1], c.open) << name;
  }
}

TEST(TraceContour, LinesOutsideTheTileWindowAreDropped) {
  ContourJob job(16, 0, 1);
  job.window(4, 4, 12, 12);
  job.at(1, 1) = 10;    // in the margin
  job.at(8, 8) = 10;    // in the window
  EXPECT_EQ(job.trace(5).size(), 1u);
}

TEST(TraceContour, ReportsAFullStore) {
  ContourJob job(7, 0);
  job.at(3, 3) = 10;
  TraceOutcome outcome;
  EXPECT_TRUE(job.trace(5, 6, &outcome).empty());
  EXPECT_EQ(outcome, TraceOutcome::StoreFull);
  EXPECT_EQ(job.trace(5, 8, &outcome).size(), 1u);
  EXPECT_EQ(outcome, TraceOutcome::Kept);
}

TEST(ContourLineWidth, ThickOnMultiplesOfTheChosenHeight) {
  struct Case {
    int lineweight;
    double interval, top;
    int thickEvery;   // levels between thick ones
  };
  const Case cases[] = {{3, 2.5, 110, 4}, {3, 5.0 / 3, 110, 6}, {2, 2.5, 100, 2}, {1, 0.25, 12, 4}};
  for (const Case& c : cases) {
    double level = c.top;   // stepped down as the drawing does
    for (int k = 0; k < 40; ++k, level = level - c.interval + 1e-9)
      EXPECT_EQ(ContourLineWidth(level, c.lineweight), k % c.thickEvery == 0 ? 3 : 1)
          << "lineweight " << c.lineweight << " level " << level;
  }
  EXPECT_EQ(ContourLineWidth(100, 0), 1);   // "すべて細く"
}

// A host that keeps the level labels the drawing shows.
struct LevelHost : SilentHost {
  std::vector<std::string> levels;
  void setLabel(LabelRole role, const std::string& text) override {
    if (role == LabelRole::Detail && !text.empty()) levels.push_back(text);
  }
};

TEST(DrawContours, StillImagesDrawEveryLevelAndFloodFramesOnlyTheShore) {
  for (int type : {0, 1}) {
    LevelHost host;
    JobSettings settings;
    settings.zahyokei = 56;
    settings.cont[4] = true;
    settings.type = type;
    CellBuffer pool;
    JobContext ctx(settings, host, pool);
    SetZoneNumber(ctx.coords, 0, 1.0);
    ctx.runFlag = true;
    ctx.legendIntervalM = {5};
    ctx.legendBottomM = {0};
    ctx.waterLevel = type == 1 ? 7.5 : -9998;
    ElevationGrid& g = ctx.elevGrid;
    g.cellLon = g.cellLat = 1.0 / 60;
    g.gridLonW = 139;
    g.gridLatN = 36;
    g.gridCols = g.gridRows = g.winCol1 = g.winRow1 = 8;
    for (int i = 0; i < 64; ++i) pool[i].x = 0;
    pool[3 * 8 + 3].x = 17;
    g.elevMax = 17;
    g.elevMin = 0;
    DrawContours(ctx);
    const std::vector<std::string> expected =
        type == 1 ? std::vector<std::string>{"7.50m"} : std::vector<std::string>{"15.00m", "10.00m", "5.00m", "0.00m"};
    EXPECT_EQ(host.levels, expected) << "type " << type;
  }
}

TEST(DrawContours, StopsTheJobWhenTheStoreRunsFull) {
  test::ElevationJob job(4, true);
  JobContext& ctx = job.job();
  const int side = 1448;   // leaves 1,448 entries of the pool for the store
  job.plainGrid(side, side, 0);
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) job.at(r, c) = c;
  ctx.elevGrid.elevMax = side - 1;
  ctx.elevGrid.elevMin = 0;
  job.setLegend(1000, 0.5);   // one level, crossing every row
  DrawContours(ctx);
  EXPECT_FALSE(ctx.runFlag);
  EXPECT_EQ(job.host.lastTitle, "警告");
  EXPECT_EQ(job.host.lastText, elevation_text::kContourStoreFull);
}

// An abort asked for while the levels are drawn (the host's pump) ends the
// drawing after the level in hand, although the next ones are being traced
// meanwhile.
TEST(DrawContours, AnAbortStopsAfterTheLevelInHand) {
  struct AbortingHost : LevelHost {
    JobContext* job = nullptr;
    int pumps = 0;
    void pump() override {
      if (++pumps == 2) job->runFlag = false;
    }
  } host;
  JobSettings settings;
  settings.zahyokei = 56;
  settings.cont[4] = true;
  CellBuffer pool;
  JobContext ctx(settings, host, pool);
  host.job = &ctx;
  SetZoneNumber(ctx.coords, 0, 1.0);
  ctx.runFlag = true;
  ctx.legendIntervalM = {1};
  ctx.legendBottomM = {0};
  ElevationGrid& g = ctx.elevGrid;
  g.cellLon = g.cellLat = 1.0 / 600;
  g.gridLonW = 139;
  g.gridLatN = 36;
  g.gridCols = g.gridRows = g.winCol1 = g.winRow1 = 200;
  for (int r = 0; r < 200; ++r)
    for (int c = 0; c < 200; ++c) pool[r * 200 + c].x = r + c;   // 398 levels
  g.elevMax = 398;
  g.elevMin = 0;
  DrawContours(ctx);
  EXPECT_FALSE(ctx.runFlag);
  // The first level, or none when the abort came while it was being traced.
  EXPECT_LE(host.levels.size(), 1u);
  if (!host.levels.empty()) {
    EXPECT_EQ(host.levels[0], "398.00m");
  }
}

TEST(DrawContours, FillsDepressionsThatCrossTheTileEdge) {
  for (int taisyo : {2, 3}) {
    ContourJob job = PitOnTheEdge(taisyo, true);
    JobContext& ctx = job.job();
    ElevationGrid& g = ctx.elevGrid;
    // The pit floor at 1 m keeps the 0 m level out: levels 10 and 5 only.
    for (int r = 0; r < 20; ++r)
      for (int c = 0; c < 20; ++c)
        if (job.at(r, c) == 0) job.at(r, c) = 1;
    g.elevMax = 10;
    g.elevMin = 1;
    ctx.legendSteps = 4;
    job.setLegend(5, 0);
    // The view shows the tile window only: cell centres of rows and columns 6 … 13.
    const double west = g.gridLonW + 6 * g.cellLon, east = g.gridLonW + 14 * g.cellLon;
    const double north = g.gridLatN - 6 * g.cellLat, south = g.gridLatN - 14 * g.cellLat;
    const Colour white = MakeColour(255, 255, 255);
    test::GlCanvas canvas(160, 160, west, east, south, north, white);
    ASSERT_TRUE(canvas.ok);
    ctx.surface = canvas.surface.get();
    DrawContours(ctx);
    canvas.save("/tmp/velkaro-contour-pit-" + std::to_string(taisyo) + ".png");
    // Pit centre at row 6, column 10: the top edge of the view, x = 4.5 cells in.
    const Colour inside = canvas.pixel(static_cast<int>(4.5 * 20), 8);
    const Colour fillColour = elevcl(4, 1.0f, 5, 0, 5, ctx.settings.iro);
    EXPECT_EQ(inside, taisyo == 3 ? fillColour : white) << taisyo;
    // The ring is drawn: outline pixels on the pit's rim, black over a fill.
    const Colour outline = taisyo == 3 ? MakeColour(0, 0, 0) : fillColour;
    int rim = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 40; x < 140; ++x) rim += canvas.pixel(x, y) == outline ? 1 : 0;
    EXPECT_GT(rim, 20) << taisyo;
    EXPECT_EQ(canvas.pixel(10, 150), white);
  }
}

// Lines traced and drawn into a layer of their own while the mesh is drawn,
// then laid over it, come out pixel for pixel as lines drawn over the
// finished mesh, and so do mesh and lines drawn on one thread; GL is left
// with the same colour. Over a mesh the lines are
// black, without one in their level's colour.
TEST(ContourOverlay, LaidOverTheMeshAsIfDrawnAfterIt) {
  for (bool mesh : {true, false}) {
    auto drawTile = [mesh](bool ownLayer, bool helperThreads, QImage& image, float colour[4]) {
      test::ElevationJob job(4, true);
      JobContext& ctx = job.job();
      ctx.helperThreads = helperThreads;
      ctx.settings.alti[4] = mesh;
      job.plainGrid(60, 80, 0);
      for (int r = 0; r < 60; ++r)
        for (int c = 0; c < 80; ++c) job.at(r, c) = 30 - std::hypot(r - 25, (c - 35) * 0.7);
      ctx.elevGrid.elevMax = 30;
      ctx.elevGrid.elevMin = 0;
      ctx.legendSteps = 12;
      job.setLegend(2.5, 0);
      const ElevationGrid& g = ctx.elevGrid;
      test::GlCanvas canvas(400, 300, g.gridLonW, g.gridLonE, g.gridLatS, g.gridLatN);
      ASSERT_TRUE(canvas.ok);
      ctx.surface = canvas.surface.get();
      if (ownLayer) {
        ContourOverlay lines(ctx, ContourOverlay::Target::OwnLayer);
        if (mesh) DrawElevationMesh(ctx);
        lines.finish();
      } else {
        if (mesh) DrawElevationMesh(ctx);
        DrawContours(ctx);
      }
      EXPECT_TRUE(ctx.runFlag);
      ctx.surface->beginGLState();
      glGetFloatv(GL_CURRENT_COLOR, colour);
      image = canvas.surface->frame().copy();
    };
    QImage straight, layered, oneThread;
    float straightColour[4], layeredColour[4], oneThreadColour[4];
    drawTile(false, true, straight, straightColour);
    drawTile(true, true, layered, layeredColour);
    drawTile(true, false, oneThread, oneThreadColour);
    EXPECT_TRUE(straight == layered) << "mesh " << mesh;
    EXPECT_TRUE(straight == oneThread) << "mesh " << mesh;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(straightColour[i], layeredColour[i]) << "mesh " << mesh;
      EXPECT_EQ(straightColour[i], oneThreadColour[i]) << "mesh " << mesh;
    }
    int black = 0, white = 0;
    for (int y = 0; y < straight.height(); ++y)
      for (int x = 0; x < straight.width(); ++x) {
        const QRgb p = straight.pixel(x, y) & 0xFFFFFF;
        black += p == 0 ? 1 : 0;
        white += p == 0xFFFFFF ? 1 : 0;
      }
    EXPECT_EQ(black > 500, mesh) << "black pixels " << black;
    EXPECT_EQ(white > 50000, !mesh) << "white pixels " << white;
  }
}

}  // namespace
}  // namespace velkaro
