#include <gtest/gtest.h>

#include <limits>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "job/cell_buffer.h"
#include "run/driver.h"
#include "run/start_action.h"
#include "job/validation.h"
#include "elevation/auto_legend.h"
#include "render/render_surface.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

// A job over a throw-away output folder whose source folders all exist.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velkaro_driver_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    s_.readfolder = s_.meshfolder = s_.syoufolder = s_.kkjfolder = s_.writefolder = dir_.string();
    s_.namae = "t";
    s_.zahyokei = 33;
    s_.kita = "1000";
    s_.minami = "0";
    s_.nisi = "0";
    s_.higasi = "1000";
    s_.size = 0;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  JobSettings s_;
  SilentHost host_;
  CellBuffer pool_;
};

// Records the calls the driver makes, in order.
struct CallLog {
  std::vector<std::string> calls;
  DriverCalls make(JobContext* abortAt = nullptr, std::string abortCall = {}) {
    DriverCalls d;
    auto note = [this, abortAt, abortCall](const std::string& c) {
      calls.push_back(c);
      if (abortAt && c == abortCall) abortAt->runFlag = false;
    };
    d.scanTree = [note](JobContext& job, LayerTree& tree, const std::string&, int flag, int mask) {
      note((&tree == &job.settings.layers.fgd ? "fgd " : "kkj ") + std::to_string(flag) + " " +
           std::to_string(mask));
    };
    d.scanKsj = [note](JobContext&, const std::string&, int flag, int mask) {
      note("ksj " + std::to_string(flag) + " " + std::to_string(mask));
    };
    d.countDemSources = [note](JobContext&) { note("count dem"); };
    d.prepareElevationGrid = [note](JobContext&) { note("grid"); };
    d.autoLegend = [note](JobContext& job, int r, int c) {
      note("legend");
      job.settings.legendInterval.cell(r, c) = std::to_string(r * 100 + c + 1);
    };
    d.renderTile = [note](JobContext& job, const std::string& path) {
      note("render " + fs::path(path).filename().string());
      EXPECT_EQ(job.waterLevel, job.datumOffset - 9998);
    };
    d.deleteScratchFiles = [note](JobContext&) { note("delete"); };
    d.writeIndexMap = [note](JobContext&) { note("index"); };
    return d;
  }
};

TEST_F(DriverTest, RunsTheReadingPassesInOrderForEveryTile) {
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.runFlag = true;
  CallLog log;
  ASSERT_TRUE(RunDriver(job, log.make()));
  const std::vector<std::string> expected = {
      "fgd 0 2147483647", "ksj 0 2147483647", "kkj 0 2147483647",
      "delete", "ksj 1 2147483456", "kkj 1 2147482624", "fgd 1 2147482624", "ksj 1 62", "kkj 1 992",
      "fgd 1 992", "ksj 1 1", "ksj 1 128", "kkj 1 31", "fgd 1 31", "render t.bmp", "delete"};
  EXPECT_EQ(log.calls, expected);
}

TEST_F(DriverTest, EmptyFolderFieldsSkipTheirScans) {
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.settings.syoufolder.clear();
  job.settings.kkjfolder.clear();
  job.runFlag = true;
  CallLog log;
  ASSERT_TRUE(RunDriver(job, log.make()));
  for (const std::string& c : log.calls) {
    EXPECT_EQ(c.rfind("ksj", 0), std::string::npos) << c;
    EXPECT_EQ(c.rfind("kkj", 0), std::string::npos) << c;
  }
}

TEST_F(DriverTest, LegendValuesAreKeptForGridsOfMoreThan256Tiles) {
  s_.yokodiv = "20";
  s_.tatediv = "15";
  s_.alti[0] = true;
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.runFlag = true;
  CallLog log;
  ASSERT_TRUE(RunDriver(job, log.make()));
  ASSERT_EQ(job.legendIntervalM.size(), 300u);
  EXPECT_DOUBLE_EQ(job.legendIntervalM[0], 1.0);
  EXPECT_DOUBLE_EQ(job.legendIntervalM[19 + 14 * 20], 14 * 100 + 19 + 1);
  EXPECT_DOUBLE_EQ(job.legendBottomM[299], 0.0) << "an empty bottom cell counts as 0";
  EXPECT_EQ(log.calls.back(), "index");
}

TEST_F(DriverTest, AbortDuringTheSecondTileKeepsTheFirstAndWritesNoIndex) {
  s_.yokodiv = "2";
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.runFlag = true;
  CallLog log;
  DriverCalls calls = log.make();
  int fgdPasses = 0;
  auto scan = calls.scanTree;
  calls.scanTree = [&](JobContext& j, LayerTree& t, const std::string& f, int flag, int mask) {
    scan(j, t, f, flag, mask);
    if (flag == 1 && &t == &j.settings.layers.fgd && ++fgdPasses == 4) j.runFlag = false;
  };
  EXPECT_FALSE(RunDriver(job, calls));
  int renders = 0;
  for (const std::string& c : log.calls) renders += c.rfind("render", 0) == 0;
  EXPECT_EQ(renders, 1);
  ASSERT_GE(log.calls.size(), 2u);
  EXPECT_EQ(log.calls[log.calls.size() - 2].rfind("fgd", 0), 0u) << "stops right after the reading passes";
  EXPECT_EQ(log.calls.back(), "delete") << "the scratch files the readers opened are removed";
}

TEST_F(DriverTest, AbortDuringTheReadingPassesLeavesNoScratchFiles) {
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.runFlag = true;
  DriverCalls calls;
  // The readers open a scratch file per layer, even for layers with no data.
  calls.scanTree = [this](JobContext& j, LayerTree&, const std::string&, int flag, int) {
    if (flag != 1) return;
    for (int i = 0; i < 100; ++i) std::ofstream(dir_ / ("layer" + std::to_string(i) + ".txt"));
    j.runFlag = false;
  };
  calls.deleteScratchFiles = [this](JobContext&) {
    for (int i = 0; i < 100; ++i) fs::remove(dir_ / ("layer" + std::to_string(i) + ".txt"));
  };
  EXPECT_FALSE(RunDriver(job, calls));
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(DriverTest, ASurfaceTheDriverMadeForItselfIsForgottenOnReturn) {
  for (bool abort : {false, true}) {
    JobContext job(s_, host_, pool_);
    ASSERT_EQ(ValidateJob(job), "");
    job.runFlag = true;
    ASSERT_EQ(job.surface, nullptr);
    DriverCalls calls;
    const RenderSurface* seen = nullptr;
    calls.renderTile = [&](JobContext& j, const std::string&) {
      seen = j.surface;
      if (abort) j.runFlag = false;
    };
    RunDriver(job, calls);
    EXPECT_NE(seen, nullptr) << "the tile was drawn on the driver's own surface";
    EXPECT_EQ(job.surface, nullptr) << "no pointer to the destroyed surface stays in the job";
    EXPECT_EQ(job.surfaceImage, nullptr);
  }
}

TEST_F(DriverTest, ScratchFilesThatCannotBeKeptEndTheRunWithTheirMessage) {
  std::ofstream(dir_ / "scratch") << "a file where the scratch folder belongs";
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  job.runFlag = true;
  job.keepScratch = true;
  DriverCalls calls;
  calls.keepScratchFiles = DefaultDriverCalls().keepScratchFiles;
  EXPECT_TRUE(RunDriver(job, calls));
  EXPECT_EQ(job.errorText.rfind("作業ファイルを保存できませんでした\r\n", 0), 0u) << job.errorText;
  EXPECT_NE(job.errorText.find((dir_ / "scratch").string()), std::string::npos) << job.errorText;
}

TEST_F(DriverTest, DrawingConstants) {
  // A 1000 m square on a 2048 x 1448 image: the frame is 1303.2 px square, so
  // a pixel is 1000 / 1303.2 = 0.7673 m. The scale bar spans at most
  // 2048 / 2.6 px = 604.4 m: six 100 m units, centred on the image, so it
  // starts 1024 px x 0.7673 m - 300 m = 485.8 m from the west edge.
  s_.size = 7;
  s_.objsize = 3;
  JobContext job(s_, host_, pool_);
  ASSERT_EQ(ValidateJob(job), "");
  ComputeDrawingConstants(job);
  EXPECT_EQ(job.constants.textHeight, 28);   // 1448 / 50, truncated
  EXPECT_EQ(job.constants.rankThreshold, 5000);
  EXPECT_DOUBLE_EQ(job.constants.scaleBarUnit, 100.0);
  EXPECT_EQ(job.constants.scaleBarCount, 6);
  EXPECT_NEAR(job.constants.scaleBarStart, 1024 * 1000 / 1303.2 - 300, 1e-9);

  // A size factor typed past any text size gives the largest, not an
  // overflow.
  for (const char* czoom : {"1e300", "-1e300"}) {
    s_.czoom = czoom;
    JobContext huge(s_, host_, pool_);
    ASSERT_EQ(ValidateJob(huge), "");
    ComputeDrawingConstants(huge);
    EXPECT_EQ(huge.constants.textHeight, (czoom[0] == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max()) / 50) << czoom;
  }
}

TEST(StartAction, ElapsedTimeTexts) {
  EXPECT_EQ(FormatElapsed(59), "所要時間は 59秒でした。");
  EXPECT_EQ(FormatElapsed(61), "所要時間は 1分1秒でした。");
  EXPECT_EQ(FormatElapsed(3661), "所要時間は 1時間1分1秒でした。");
  EXPECT_EQ(FormatElapsed(0), "所要時間は 0秒でした。");
}

TEST_F(DriverTest, StartRefusesAnAreaWithoutWidth) {
  s_.higasi = "0";
  JobContext job(s_, host_, pool_);
  const StartResult r = StartJob(job, DriverCalls{}, "");
  EXPECT_EQ(r.outcome, StartOutcome::Refused);
  EXPECT_EQ(host_.lastTitle, "描画範囲エラー");
  EXPECT_EQ(host_.lastText, "西端は東端より小さい値に\r\n");
}

TEST_F(DriverTest, DeclinedOverwriteKeepsTheFile) {
  const fs::path existing = dir_ / "t.bmp";
  { std::ofstream(existing) << "old"; }
  SilentHost no(Answer::No);
  JobContext job(s_, no, pool_);
  EXPECT_EQ(StartJob(job, DriverCalls{}, "").outcome, StartOutcome::Refused);
  EXPECT_EQ(no.lastText, "t.bmp を上書きしますか。");
  EXPECT_EQ(fs::file_size(existing), 3u);
}

TEST_F(DriverTest, CleanRunSavesTheLastJobAndAbortedRunDoesNot) {
  const fs::path last = dir_ / "LastDraw.pxj";
  {
    JobSettings s = s_;
    s.alti[1] = true;
    JobContext job(s, host_, pool_);
    CallLog log;
    EXPECT_EQ(StartJob(job, log.make(), last.string()).outcome, StartOutcome::Finished);
    EXPECT_EQ(host_.lastTitle, "正常終了");
    std::ifstream in(last);
    const std::string saved((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(saved.find("[kankaku]\r\nA0=1\r\n"), std::string::npos)
        << "the legend the run used is saved with the job";
  }
  fs::remove(last);
  JobContext job(s_, host_, pool_);
  CallLog log;
  EXPECT_EQ(StartJob(job, log.make(&job, "render t.bmp"), last.string()).outcome, StartOutcome::Aborted);
  EXPECT_FALSE(fs::exists(last));
}

// A grid of 12 x 12 cells per tile: column c of the tile grid holds the
// elevations from + 0.5 k (k = 0 ... 143), or no data when from is NaN.
void FillTileGrid(JobContext& job, double from) {
  ElevationGrid& g = job.elevGrid;
  g = ElevationGrid{};
  g.gridCols = g.gridRows = g.winCol1 = g.winRow1 = 12;
  for (int k = 0; k < 144; ++k) {
    const double v = std::isnan(from) ? -9999.0 : from + 0.5 * k;
    job.cells[size_t(k)].x = v;
    if (v > job.datumOffset - 9998) g.elevMax = std::max(g.elevMax, v), g.elevMin = std::min(g.elevMin, v);
  }
}

TEST_F(DriverTest, TilesWithoutElevationDataAreNamedInTheReport) {
  s_.yokodiv = "3";
  s_.alti[1] = true;
  JobContext job(s_, host_, pool_);
  CallLog log;
  DriverCalls calls = log.make();
  calls.prepareElevationGrid = [](JobContext& j) { FillTileGrid(j, j.tile.col == 1 ? 100.0 : NAN); };
  EXPECT_EQ(StartJob(job, calls, (dir_ / "LastDraw.pxj").string()).outcome, StartOutcome::Finished);
  EXPECT_EQ(job.tilesWithoutElevation, (std::vector<std::string>{"A0", "A2"}));
  EXPECT_NE(host_.lastText.find("標高データのない図葉(凡例なし): A0, A2\r\n"), std::string::npos) << host_.lastText;
}

TEST_F(DriverTest, JobWideLegendGivesEveryTileTheLegendOfTheWholeArea) {
  s_.yokodiv = "2";
  s_.alti[1] = true;
  s_.jido = true;
  const auto run = [&](bool jobWide) {
    JobSettings s = s_;
    s.zentai = jobWide;
    auto job = std::make_unique<JobContext>(s, host_, pool_);
    EXPECT_EQ(ValidateJob(*job), "");
    job->runFlag = true;
    CallLog log;
    DriverCalls calls = log.make();
    calls.prepareElevationGrid = [](JobContext& j) { FillTileGrid(j, j.tile.col == 0 ? 0.0 : 500.0); };
    calls.autoLegend = [](JobContext& j, int r, int c) { AutoLegend(j, r, c); };
    EXPECT_TRUE(RunDriver(*job, calls));
    return job;
  };
  const auto own = run(false);
  EXPECT_NE(own->legendBottomM[0], own->legendBottomM[1]) << "each tile picks its own legend";

  const auto whole = run(true);
  EXPECT_EQ(whole->legendIntervalM[0], whole->legendIntervalM[1]);
  EXPECT_EQ(whole->legendBottomM[0], whole->legendBottomM[1]);
  EXPECT_EQ(whole->settings.legendInterval.cell(0, 0), whole->settings.legendInterval.cell(0, 1));
  // The legend of both tiles' inner cells together.
  std::vector<double> all;
  for (const double from : {0.0, 500.0})
    for (int r = 1; r < 11; ++r)
      for (int c = 1; c < 11; ++c) all.push_back(from + 0.5 * (r * 12 + c));
  const Legend expected = LegendOfElevations(all, StillLegendOptions(*whole));
  EXPECT_DOUBLE_EQ(whole->legendIntervalM[0], expected.interval);
  EXPECT_DOUBLE_EQ(whole->legendBottomM[0], expected.bottom);
}

}  // namespace
}  // namespace velkaro
