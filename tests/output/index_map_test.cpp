#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "run/driver.h"
#include "job/tile_grid.h"
#include "job/validation.h"
#include "output/index_map.h"
#include "output/index_messages.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_output";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

class RecordingHost : public JobHost {
 public:
  void setLabel(LabelRole, const std::string&) override {}
  void pump() override {}
  Answer ask(const std::string& title, const std::string& text, Buttons) override {
    asks.push_back(title + ": " + text);
    return Answer::Ok;
  }
  std::vector<std::string> asks;
};

// A job whose grid and scale are set the way validation leaves them, over a
// throw-away output folder.
class IndexMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureGuiApplication();
    dir_ = fs::temp_directory_path() / ("velkaro_index_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Plane zone 9 (or the lat/lon mode), rows x cols tiles.
  std::unique_ptr<JobContext> makeJob(DrawingArea area, int rows, int cols, int kasane, bool latLon) {
    JobSettings s;
    s.writefolder = dir_.string();
    s.readfolder = (fs::path(VELKARO_SOURCE_DIR) / "tests/data/index_map").string();
    s.namae = "map";
    auto job = std::make_unique<JobContext>(s, host_, pool_);
    SetZoneNumber(job->coords, latLon ? 0 : 9, 1);
    job->coords.latLonMode = latLon;
    job->area = area;
    job->grid = MakeTileGrid(area, cols, rows, kasane);
    job->image.latFactor = LatFactorOf(area, latLon);
    job->runFlag = true;
    return job;
  }

  std::string readPage() { return readFile("indexmap.htm"); }
  std::string readFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  static bool IsBlack(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) == 0; }

  fs::path dir_;
  RecordingHost host_;
  CellBuffer pool_;
};

// 3000 m x 2000 m on a 1000 x 1000 screen: the width wins (950 px), so one
// unit is 3000 / 950 m, the height 633 and the tile edges fall on 316 and
// 633 across, 316 down.
constexpr DrawingArea kWideArea{2000, 0, 0, 3000};
constexpr ScreenSize kSquareScreen{1000, 1000};

TEST_F(IndexMapTest, TwoByThreeJobWritesImageAndPageOfItsTiles) {
  auto job = makeJob(kWideArea, 2, 3, 0, false);
  job->settings.readfolder = dir_.string();   // no boundaries: only grid and labels
  job->settings.namae = "a&b c#'%";           // characters a file name may hold
  WriteIndexMap(*job, kSquareScreen);
  EXPECT_TRUE(host_.asks.empty());

  const std::string page = readPage();
  const std::string expectedHead =
      "<!DOCTYPE html>\r\n<HTML>\r\n<HEAD><TITLE>index地図</TITLE>\r\n"
      "<META http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">\r\n</HEAD>\r\n<BODY>\r\n"
      "<IMG SRC=\"index.bmp\" USEMAP=\"#linkmap\" ALT=\"index地図\">\r\n<MAP NAME=\"linkmap\">\r\n";
  ASSERT_EQ(page.substr(0, expectedHead.size()), expectedHead);
  const char* areas[] = {"0,0,316,316", "316,0,633,316", "633,0,950,316",
                         "0,316,316,633", "316,316,633,633", "633,316,950,633"};
  const char* labels[] = {"A0", "A1", "A2", "B0", "B1", "B2"};
  std::string expectedAreas;
  for (int i = 0; i < 6; ++i) {
    expectedAreas += std::string("<AREA SHAPE=rect COORDS=\"") + areas[i] + "\" HREF=\"a%26b%20c%23%27%25" +
                     labels[i] + ".bmp\" ALT=\"a&amp;b c#'%" + labels[i] + ".bmp\">\r\n";
  }
  EXPECT_EQ(page.substr(expectedHead.size()), expectedAreas + "</MAP>\r\n</BODY>\r\n</HTML>\r\n");

  QImage image((dir_ / "index.bmp").string().c_str());
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(950, 633));
  image.save("/tmp/velkaro_index_grid.png");
  for (int y : {250, 400, 620}) {
    EXPECT_TRUE(IsBlack(image, 316, y)) << y;
    EXPECT_TRUE(IsBlack(image, 633, y)) << y;
    EXPECT_FALSE(IsBlack(image, 315, y) || IsBlack(image, 317, y)) << y;
  }
  for (int x : {300, 600, 940}) {
    EXPECT_TRUE(IsBlack(image, x, 316)) << x;
    EXPECT_FALSE(IsBlack(image, x, 315) || IsBlack(image, x, 317)) << x;
  }
  // Each cell carries its label in its top-left part, nothing at its foot,
  // and the six labels differ.
  std::vector<QImage> labelPixels;
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int left = c == 0 ? 0 : (c == 1 ? 317 : 634), top = r == 0 ? 0 : 317;
      const QImage cell = image.copy(left, top, 300, 150);
      int dark = 0;
      for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) dark += qGray(cell.pixel(x, y)) < 128;
      EXPECT_GT(dark, 500) << labels[r * 3 + c];
      EXPECT_FALSE(IsBlack(image, left + 290, top + 305)) << labels[r * 3 + c];
      for (const QImage& other : labelPixels) EXPECT_NE(cell, other) << labels[r * 3 + c];
      labelPixels.push_back(cell);
    }
  }
}

TEST_F(IndexMapTest, GeometryFitsTheAreaIntoTheScreenShare) {
  struct Row {
    DrawingArea area;
    bool latLon;
    ScreenSize screen;
    int width, height;
  };
  const Row rows[] = {
      {kWideArea, false, kSquareScreen, 950, 633},                  // width wins
      {{1000, 0, 0, 1000}, false, {1920, 1080}, 702, 702},         // height wins: 1080 x 0.65
      {{60.5, 59.5, 10, 12}, true, kSquareScreen, 650, 650},           // 2 deg of longitude at 60 deg N is 1 deg
  };
  for (const Row& row : rows) {
    const IndexGeometry g = MakeIndexGeometry(row.area, LatFactorOf(row.area, row.latLon), row.screen);
    EXPECT_EQ(g.width, row.width) << row.width;
    EXPECT_EQ(g.height, row.height) << row.width;
    EXPECT_EQ(g.column(row.area.west), 0) << row.width;
    EXPECT_EQ(g.column(row.area.east), row.width) << row.width;
    EXPECT_EQ(g.row(row.area.north), 0) << row.width;
  }
}

TEST_F(IndexMapTest, CellsCoverTheImageWithoutGapsWhateverTheOverlap) {
  // The 2 x 2 square of 1080 x 0.65 pixels splits into quarters without
  // overlap; with overlap each shared strip is split at its middle, so even at
  // 50 % (where no tile has a part of its own) every tile keeps a cell.
  const DrawingArea square{1000, 0, 0, 1000};
  for (int kasane : {0, 20, 50}) {
    auto job = makeJob(square, 2, 2, kasane, false);
    const IndexGeometry g = MakeIndexGeometry(square, 1.0, {1920, 1080});
    if (kasane == 0) {
      const IndexRect q = IndexCell(*job, g, 0, 0);
      EXPECT_EQ(q.left, 0);
      EXPECT_EQ(q.top, 0);
      EXPECT_EQ(q.right, 351);
      EXPECT_EQ(q.bottom, 351);
    }
    for (int r = 0; r < 2; ++r) {
      for (int c = 0; c < 2; ++c) {
        const IndexRect cell = IndexCell(*job, g, r, c);
        EXPECT_EQ(cell.left, c == 0 ? 0 : IndexCell(*job, g, r, c - 1).right) << kasane;
        EXPECT_EQ(cell.top, r == 0 ? 0 : IndexCell(*job, g, r - 1, c).bottom) << kasane;
        EXPECT_EQ(cell.right == g.width, c == 1) << kasane;
        EXPECT_EQ(cell.bottom == g.height, r == 1) << kasane;
        EXPECT_NEAR(cell.right - cell.left, 351, 1) << kasane;
      }
    }
  }
}

TEST_F(IndexMapTest, BoundariesAreDrawnExceptAlongMeshCuts) {
  // Lat/lon mode: latitude 35.0 .. 35.2, longitude 139.0 .. 139.3, 1 x 2 tiles.
  const DrawingArea area{35.2, 35.0, 139.0, 139.3};
  auto job = makeJob(area, 1, 2, 0, true);
  WriteIndexMap(*job, kSquareScreen);
  const IndexGeometry g = MakeIndexGeometry(area, job->image.latFactor, kSquareScreen);
  QImage image((dir_ / "index.bmp").string().c_str());
  ASSERT_EQ(image.size(), QSize(g.width, g.height));
  image.save("/tmp/velkaro_index_boundaries.png");
  const auto isRed = [&image](int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0xFF0000; };
  // Below the labels: the first ring's foot and sides, the second ring's
  // foot and east side; its west side on the 1/8-degree meridian is a mesh cut.
  EXPECT_TRUE(isRed(g.column(139.10), g.row(35.05)));
  EXPECT_TRUE(isRed(g.column(139.05), g.row(35.07)));
  EXPECT_TRUE(isRed(g.column(139.24), g.row(35.07)));
  EXPECT_TRUE(isRed(g.column(139.16), g.row(35.06)));
  EXPECT_TRUE(isRed(g.column(139.2), g.row(35.08)));
  EXPECT_FALSE(isRed(g.column(139.125), g.row(35.08)));
  // The one column boundary stays black over the red.
  EXPECT_TRUE(IsBlack(image, g.column(139.15), g.row(35.05)));
}

TEST_F(IndexMapTest, PageThatCannotBeCreatedIsReportedAfterTheImage) {
  auto job = makeJob(kWideArea, 2, 3, 0, false);
  job->settings.readfolder = dir_.string();
  fs::create_directory(dir_ / "indexmap.htm");   // a folder of that name blocks the page
  WriteIndexMap(*job, kSquareScreen);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "index.bmp"));
  ASSERT_EQ(host_.asks.size(), 1u);
  const std::string page = (dir_ / "indexmap.htm").string();
  const std::string text = std::string(index_messages::kPageNotOpened) + "\r\n" + page + ": " + std::strerror(EISDIR);
  EXPECT_EQ(host_.asks[0], std::string(index_messages::kWarningTitle) + ": " + text);
  EXPECT_EQ(job->errorText, text) << "the job ends with the failure, naming the page and the reason";
  EXPECT_TRUE(job->runFlag);
}

// The index drawn and written early (by a worker, while the last tiles are
// drawn) appears only on commit, with the files a direct write gives; one
// never committed leaves nothing, and one whose files were lost is drawn
// again on commit.
TEST_F(IndexMapTest, AStagedIndexAppearsOnlyOnCommitAsWrittenDirectly) {
  auto job = makeJob(kWideArea, 2, 3, 0, false);
  job->settings.readfolder = dir_.string();
  WriteIndexMap(*job, kSquareScreen);
  const std::string image = readFile("index.bmp");
  const std::string page = readPage();
  fs::remove(dir_ / "index.bmp");
  fs::remove(dir_ / "indexmap.htm");
  const auto names = [this] {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    return out;
  };

  { StagedIndexMap dropped(*job, DrawIndexMap(*job, kSquareScreen)); }
  EXPECT_TRUE(names().empty()) << "a run that never commits leaves no index";

  std::string imageTemporary, pageTemporary;
  {
    StagedIndexMap drawnElsewhere(*job, DrawIndexMap(*job, kSquareScreen));
    drawnElsewhere.handOver(imageTemporary, pageTemporary);
  }
  EXPECT_EQ(names().size(), 2u);
  EXPECT_FALSE(fs::exists(dir_ / "index.bmp"));
  StagedIndexMap adopted(*job, imageTemporary, pageTemporary, "");
  adopted.commit(*job);
  EXPECT_TRUE(host_.asks.empty());
  EXPECT_TRUE(readFile("index.bmp") == image);
  EXPECT_EQ(readPage(), page);
  EXPECT_EQ(names().size(), 2u);

  // Files the drawing process could not stage: drawn and written on commit
  // (for this machine's screen).
  fs::remove(dir_ / "index.bmp");
  fs::remove(dir_ / "indexmap.htm");
  StagedIndexMap lost(*job, "", "", "");
  lost.commit(*job);
  EXPECT_TRUE(host_.asks.empty());
  EXPECT_TRUE(QImage((dir_ / "index.bmp").string().c_str()).width() > 0);
  EXPECT_NE(readPage().find("mapB2.bmp"), std::string::npos);
  EXPECT_EQ(names().size(), 2u);
}

TEST_F(IndexMapTest, AbortedJobWritesNoIndex) {
  auto job = makeJob(kWideArea, 2, 3, 0, false);
  job->runFlag = false;
  WriteIndexMap(*job, kSquareScreen);
  EXPECT_FALSE(fs::exists(dir_ / "index.bmp"));
  EXPECT_FALSE(fs::exists(dir_ / "indexmap.htm"));
}


TEST_F(IndexMapTest, ValidatedJobLinksEveryTileFileFromTheDriver) {
  // 30 rows: the first rows' file names carry "_" where their labels have a
  // blank; the page links the names the tiles are written under.
  JobSettings s;
  s.readfolder = s.meshfolder = s.syoufolder = s.kkjfolder = s.writefolder = dir_.string();
  s.namae = "t";
  s.zahyokei = 33;
  s.kita = "3000", s.minami = "0", s.nisi = "0", s.higasi = "1000";
  s.tatediv = "30", s.yokodiv = "2";
  s.size = 0;
  JobContext job(s, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.runFlag = true;
  DriverCalls calls;
  calls.writeIndexMap = [](JobContext& j) { WriteIndexMap(j); };
  ASSERT_TRUE(RunDriver(job, calls));

  const QImage image((dir_ / "index.bmp").string().c_str());
  ASSERT_FALSE(image.isNull());
  image.save("/tmp/velkaro_index_30rows.png");
  const std::string page = readPage();
  const std::regex area("<AREA SHAPE=rect COORDS=\"(\\d+),(\\d+),(\\d+),(\\d+)\" HREF=\"([^\"]*)\"");
  std::vector<std::string> hrefs;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), area); it != std::sregex_iterator(); ++it)
    hrefs.push_back((*it)[5]);
  ASSERT_EQ(hrefs.size(), 60u);
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < 2; ++c)
      EXPECT_EQ(hrefs[r * 2 + c], fs::path(TileFileName(job.settings, job.grid, r, c)).filename().string());
  EXPECT_EQ(hrefs.front(), "t_A0.bmp");
  EXPECT_EQ(hrefs.back(), "tAD1.bmp");
}

}  // namespace
}  // namespace velkaro
