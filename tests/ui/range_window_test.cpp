#include <gtest/gtest.h>

#include <QComboBox>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "../platform/temp_dir.h"
#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "platform/text_encoding.h"
#include "ui/range_logic.h"
#include "ui/range_map_view.h"
#include "ui/range_window.h"
#include "ui_test_support.h"
#include "vector/boundary_reader.h"

namespace velkaro {
namespace {

// ---- rounding of "範囲決定" ---------------------------------------------------

TEST(RangeDecision, PlaneEdgesAreRoundedInward) {
  const RangeChoice c = DecideRange({-100.5, 2000.2, -35.7, 999.9}, {2, 3, 10}, false, 1);
  EXPECT_EQ(c.nisi, "-100");
  EXPECT_EQ(c.higasi, "2000");
  EXPECT_EQ(c.minami, "-35");
  EXPECT_EQ(c.kita, "999");
  EXPECT_EQ(c.division.rows, 2);
  // Whole values stay; a value a hair above a whole number is not pushed up.
  const RangeChoice whole = DecideRange({10, 20, -30, 40}, {}, false, 1);
  EXPECT_EQ(whole.nisi, "10");
  EXPECT_EQ(whole.higasi, "20");
  EXPECT_EQ(whole.minami, "-30");
  EXPECT_EQ(whole.kita, "40");
  // Rounding inward never leaves an empty area: a selection of less than two
  // whole units keeps one unit.
  const RangeChoice narrow = DecideRange({0.2, 1.7, 10.5, 10.9}, {}, false, 1);
  EXPECT_EQ(narrow.nisi, "1");
  EXPECT_EQ(narrow.higasi, "2");
  EXPECT_EQ(narrow.minami, "11");
  EXPECT_EQ(narrow.kita, "12");
  const RangeChoice zero = DecideRange({-0.3, 5, -0.2, 5}, {}, false, 1);
  EXPECT_EQ(zero.nisi, "0");
  EXPECT_EQ(zero.minami, "0");
}

TEST(RangeDecision, AClickIsWidenedToOneMetre) {
  // Unit m: one unit east and north.
  const RangeChoice m = DecideRange({100, 100, 50, 50}, {}, false, 1);
  const RangeChoice off = DecideRange({100.4, 100.4, 50.6, 50.6}, {}, false, 1);
  EXPECT_EQ(off.nisi, "101");
  EXPECT_EQ(off.higasi, "102");
  EXPECT_EQ(m.nisi, "100");
  EXPECT_EQ(m.higasi, "101");
  EXPECT_EQ(m.minami, "50");
  EXPECT_EQ(m.kita, "51");
  // Unit mm: one metre is 1000 units.
  const RangeChoice mm = DecideRange({100000, 100000.5, 5000, 5000}, {}, false, 1000);
  EXPECT_EQ(mm.higasi, "101000");
  EXPECT_EQ(mm.kita, "6000");
}

TEST(RangeDecision, LatLonEdgesKeepSixDecimals) {
  const RangeChoice c = DecideRange({139.5, 139.75, 35.25, 35.5}, {}, true, 1);
  EXPECT_EQ(c.nisi, "139.500000");
  EXPECT_EQ(c.minami, " 35.250000");
  JobSettings s;
  ApplyRangeChoice(s, DecideRange({1, 2, 3, 4}, {5, 6, 7}, false, 1));
  EXPECT_EQ(s.nisi, "1");
  EXPECT_EQ(s.higasi, "2");
  EXPECT_EQ(s.minami, "3");
  EXPECT_EQ(s.kita, "4");
  EXPECT_EQ(s.tatediv, "5");
  EXPECT_EQ(s.yokodiv, "6");
  EXPECT_EQ(s.kasane, 7);
}

// ---- the fits flag ---------------------------------------------------------------

TEST(RangeFits, BudgetOfMeshAndContourClasses) {
  BudgetInput b;
  b.cellSizeX = b.cellSizeY = 10;        // 10 x 10 units per cell
  b.cellBudget = 2097152;
  b.meshShare = 8;
  const auto tile = [](double side) {
    TileGrid g;
    g.tileWidth = g.tileHeight = side;
    return g;
  };
  // Without an elevation class everything fits.
  EXPECT_TRUE(overcheck(tile(1e9), b));
  b.anyMeshClass = true;
  // 0.97 x 2,097,152 = 2,034,237.44 cells.
  EXPECT_TRUE(overcheck(tile(10 * 1426), b));    // 2,033,476 cells
  EXPECT_FALSE(overcheck(tile(10 * 1427), b));   // 2,036,329 cells
  b.anyContourClass = true;                       // contour decides: 8 tenths of the budget
  EXPECT_FALSE(overcheck(tile(10 * 1426), b));
  EXPECT_TRUE(overcheck(tile(10 * 1275), b));    // 1,625,625 < 1,627,389.9
  EXPECT_FALSE(overcheck(tile(10 * 1276), b));
}

TEST(RangeView, ZoomFitMeshLevelAndCodes) {
  const PlaneBox z = ZoomAround({0, 100, 0, 50}, 20, 10, 0.9);
  EXPECT_DOUBLE_EQ(z.west, 2);
  EXPECT_DOUBLE_EQ(z.east, 92);
  EXPECT_DOUBLE_EQ(z.south, 1);
  EXPECT_DOUBLE_EQ(z.north, 46);
  const PlaneBox f = FitToAspect({0, 100, 0, 100}, 200, 100, 1);
  EXPECT_DOUBLE_EQ(f.width(), 200);
  EXPECT_DOUBLE_EQ(f.height(), 100);
  EXPECT_DOUBLE_EQ(f.west, -50);
  const PlaneBox ll = FitToAspect({0, 1, 0, 1}, 100, 100, 0.5);
  EXPECT_DOUBLE_EQ(ll.width(), 2);   // longitudes shrink by the factor

  EXPECT_EQ(MeshDisplayLevel(200000, false), 1);
  EXPECT_EQ(MeshDisplayLevel(50000, false), 2);
  EXPECT_EQ(MeshDisplayLevel(11000, false), 3);
  EXPECT_EQ(MeshDisplayLevel(2, true), 1);
  EXPECT_EQ(MeshDisplayLevel(0.5, true), 2);
  EXPECT_EQ(MeshDisplayLevel(0.1, true), 3);

  EXPECT_EQ(MeshLabelCode(35.7, 139.7, 4), "5339");
  EXPECT_EQ(MeshLabelCode(35.7, 139.7, 6), "533945");
  EXPECT_EQ(MeshLabelCode(35.7, 139.7, 8), "53394546");
  // A cell's south-west corner labels that cell, not its neighbour.
  EXPECT_EQ(MeshLabelCode(35 + 1.0 / 3, 139.0, 6), "533900");
}

// ---- boundary reading ------------------------------------------------------------

constexpr const char* kBoundaryFeatures =
    "<AdmBdry gml:id=\"K1\">\r\n"
    "<loc>\r\n<gml:Curve gml:id=\"K1-c\">\r\n<gml:segments>\r\n<gml:LineStringSegment>\r\n"
    "<gml:posList>\r\n"
    "35.10 139.10\r\n"
    "35.20 139.10\r\n"
    "35.25 139.125\r\n"        // along the second-level mesh edge (139.125 = 8/8 …)
    "35.30 139.125\r\n"
    "</gml:posList>\r\n"
    "</gml:LineStringSegment>\r\n</gml:segments>\r\n</gml:Curve>\r\n</loc>\r\n"
    "<type>都道府県界</type>\r\n"
    "</AdmBdry>\r\n"
    "<AdmBdry  gml:id=\"K2\">\r\n"
    "<gml:posList>\r\n"
    " 35.15 139.15\r\n"
    " 35.16 139.18\r\n"
    "</gml:posList>\r\n"
    "<type>町村・指定都市の区界</type>\r\n"
    "</AdmBdry>\r\n";

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Utf8File() {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Dataset>\r\n") + kBoundaryFeatures +
         "</Dataset>\r\n";
}

std::string ShiftJisFile() {
  return "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n" +
         Utf8ToCp932(std::string("<Dataset>\r\n") + kBoundaryFeatures + "</Dataset>\r\n");
}

TEST(BoundaryReader, ReadsRingsWithLevelsInBothEncodings) {
  testing::TempDir dir;
  for (const std::string& bytes : {Utf8File(), ShiftJisFile()}) {
    WriteFile(dir.file("FG-GML-533901-AdmBdry-20230101-0001.xml"), bytes);
    std::vector<CellPair> cells(64);
    BoundaryStore store(cells.data(), 64);
    ASSERT_EQ(ReadBoundaryFile(dir.file("FG-GML-533901-AdmBdry-20230101-0001.xml"), "AdmBdry", store),
              BoundaryRead::Ok);
    std::vector<std::pair<int, int>> rings;
    store.forEachRing([&](const CellPair* p, int32_t n, int level) {
      rings.push_back({n, level});
      EXPECT_GT(p[0].x, 139);   // longitude first
    });
    EXPECT_EQ(rings, (std::vector<std::pair<int, int>>{{4, 0}, {2, 3}}));
    EXPECT_DOUBLE_EQ(store.box.minLon, 139.10);
    EXPECT_DOUBLE_EQ(store.box.maxLat, 35.30);
  }
}

TEST(BoundaryReader, FullPoolKeepsWhatWasRead) {
  testing::TempDir dir;
  WriteFile(dir.file("a-AdmBdry-1.xml"), Utf8File());
  std::vector<CellPair> cells(6);
  BoundaryStore store(cells.data(), 6);
  EXPECT_EQ(ReadBoundaryFile(dir.file("a-AdmBdry-1.xml"), "AdmBdry", store), BoundaryRead::Full);
  EXPECT_EQ(store.rings, 1);
  EXPECT_LE(store.used, 6);
  EXPECT_EQ(ReadBoundaryFile(dir.file("missing.xml"), "AdmBdry", store), BoundaryRead::Unreadable);
}

TEST(BoundaryReader, LevelsFilesAndMeshEdges) {
  EXPECT_EQ(BoundaryLevelOf("都道府県界"), 0);
  EXPECT_EQ(BoundaryLevelOf("北海道の支庁界"), 1);
  EXPECT_EQ(BoundaryLevelOf("郡市・東京都の区"), 2);   // an area's type
  EXPECT_EQ(BoundaryLevelOf("大字・町・丁目界"), 4);
  EXPECT_EQ(BoundaryLevelOf("不明"), 5);
  EXPECT_EQ(BoundaryLevelOf(""), 5);
  EXPECT_EQ(BoundaryLevelOf("市区町村界"), 5);

  testing::TempDir dir;
  std::filesystem::create_directories(dir.file("sub"));
  WriteFile(dir.file("sub/FG-GML-533946-AdmBdry-1.xml"), "");
  WriteFile(dir.file("FG-GML-533946-RdEdg-20230101-0001.xml"), "");
  WriteFile(dir.file("FG-GML-533947-RdEdg-20230101-0001.xml"), "");
  std::string element;
  EXPECT_EQ(BoundaryFiles(dir.path(), true, &element).size(), 1u);
  EXPECT_EQ(element, "AdmBdry");
  EXPECT_TRUE(BoundaryFiles(dir.path(), false, &element).empty());
  WriteFile(dir.file("FG-GML-533946-AdmArea-1.xml"), "");
  EXPECT_EQ(BoundaryFiles(dir.path(), true, &element).size(), 1u);
  EXPECT_EQ(element, "AdmArea");
  const auto roads = RoadFiles(dir.path(), true, {"533946"});
  ASSERT_EQ(roads.size(), 1u);
  EXPECT_NE(roads[0].find("533946-RdEdg"), std::string::npos);

  EXPECT_TRUE(SegmentOnMeshEdge({139.125, 35.2}, {139.125, 35.3}));
  EXPECT_TRUE(SegmentOnMeshEdge({139.125, 35.2}, {139.2, 35.25}));   // both on some line
  EXPECT_FALSE(SegmentOnMeshEdge({139.125, 35.2}, {139.13, 35.21}));
}

// ---- the window ------------------------------------------------------------------

struct WindowFixture : testing::WithApp, ::testing::Test {
  WindowFixture() : job(settings, host, pool) {
    testing::App();
    SetZoneNumber(job.coords, 9, 1);
    job.area = {1000, -1000, -1000, 1000};   // north, south, west, east
    job.grid.rows = job.grid.cols = 1;
    job.elevation.cellSizeX = job.elevation.cellSizeY = 250;
  }
  JobSettings settings;
  SilentHost host;
  CellBuffer pool;
  JobContext job;
  std::vector<std::string> messages;

  std::unique_ptr<RangeWindow> open() {
    auto w = std::make_unique<RangeWindow>(job);
    w->setMessageSink([this](const char*, const char* text) { messages.push_back(text); });
    w->resize(800, 600);
    w->show();
    w->loadBoundaries();
    return w;
  }
};

TEST_F(WindowFixture, OverlapControlsShowWithMoreThanOneTile) {
  auto w = open();
  EXPECT_TRUE(w->overlapField()->isHidden());
  w->rowsField()->setValue(2);
  EXPECT_FALSE(w->overlapField()->isHidden());
  EXPECT_EQ(w->mapView()->grid().rows, 2);
  // No boundary files: the message, an empty map, and the window still works.
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "読込フォルダ内に、行政区画データがありません");
}

TEST_F(WindowFixture, DragsInBothDirectionsGiveTheSameSelection) {
  auto w = open();
  RangeMapView* view = w->mapView();
  const auto drag = [&](QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    return view->selection();
  };
  const PlaneBox a = drag({100, 400}, {300, 200});   // south-west to north-east
  view->setSelection({1e9, 1e9, 1e9, 1e9});          // out of the way of the next drag
  const PlaneBox b = drag({300, 200}, {100, 400});   // north-east to south-west
  EXPECT_DOUBLE_EQ(a.west, b.west);
  EXPECT_DOUBLE_EQ(a.east, b.east);
  EXPECT_DOUBLE_EQ(a.south, b.south);
  EXPECT_DOUBLE_EQ(a.north, b.north);
  EXPECT_LT(a.west, a.east);
  EXPECT_LT(a.south, a.north);

  // A drag starting on the east edge moves only that edge.
  const QPointF east = view->toPixel(a.east, (a.south + a.north) / 2);
  drag(east.toPoint() + QPoint(1, 0), east.toPoint() + QPoint(51, 0));
  EXPECT_DOUBLE_EQ(view->selection().west, a.west);
  EXPECT_DOUBLE_EQ(view->selection().south, a.south);
  EXPECT_GT(view->selection().east, a.east);
}

TEST_F(WindowFixture, AClickThenDecideWidensToOneUnit) {
  auto w = open();
  QTest::mouseClick(w->mapView(), Qt::LeftButton, {}, QPoint(200, 200));
  const PlaneBox s = w->mapView()->selection();
  EXPECT_EQ(s.west, s.east);
  w->decide();
  EXPECT_EQ(w->result(), QDialog::Accepted);
  const RangeChoice& c = w->choice();
  EXPECT_EQ(std::stod(c.higasi) - std::stod(c.nisi), 1);
  EXPECT_EQ(std::stod(c.kita) - std::stod(c.minami), 1);
}

TEST_F(WindowFixture, TooLargeATileTurnsTheFramesRed) {
  settings.alti[3] = true;   // the 250 m mesh class
  job.settings.alti[3] = true;
  auto w = open();
  RangeMapView* view = w->mapView();
  EXPECT_TRUE(view->fits());
  // 250 m cells: 0.97 x 2,097,152 cells is a square of about 356 km.
  view->setSelection({0, 350000, 0, 350000});
  EXPECT_TRUE(view->fits());
  view->setSelection({0, 360000, 0, 360000});
  EXPECT_FALSE(view->fits());
  const QImage shot = view->grab().toImage();
  const QPointF corner = view->toPixel(0, 0);
  bool red = false;
  for (int d = -2; d <= 2 && !red; ++d)
    red = shot.pixelColor(corner.toPoint() + QPoint(d, -20)) == QColor(255, 0, 0);
  EXPECT_TRUE(red);
  w->rowsField()->setValue(2);   // halving the tile fits again
  EXPECT_TRUE(view->fits());
}

TEST_F(WindowFixture, ReadsTheFolderAndFitsTheViewToTheData) {
  testing::TempDir dir;
  WriteFile(dir.file("FG-GML-533901-AdmBdry-20230101-0001.xml"), ShiftJisFile());
  job.settings.readfolder = dir.path();
  auto w = open();
  EXPECT_TRUE(messages.empty());
  const PlaneXY sw = bltoxy(job.coords, 139.10, 35.10);
  const PlaneBox v = w->mapView()->view();
  EXPECT_LE(v.west, sw.y + 1e-6);
  EXPECT_LE(v.south, sw.x + 1e-6);
  // Zoom in with the key "i" about the window's middle.
  const double before = v.width();
  QTest::keyClick(w.get(), Qt::Key_I);
  EXPECT_NEAR(w->mapView()->view().width(), before * 0.9, before * 1e-9);
}

}  // namespace
}  // namespace velkaro
