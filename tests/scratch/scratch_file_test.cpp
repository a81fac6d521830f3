#include "scratch/scratch_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <cstdio>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../vector/gml_test_support.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

TEST(ScratchValue, FixedExponentialForm) {
  struct Row {
    double value;
    const char* text;
  };
  const Row rows[] = {
      {12345.6789012345, " 1.23456789012345E+0004"},
      {-25.0, "-2.50000000000000E+0001"},
      {0.0, " 0.00000000000000E+0000"},
      {-0.0, " 0.00000000000000E+0000"},
      {-129876.543210987, "-1.29876543210987E+0005"},
      {0.000123, " 1.23000000000000E-0004"},
      {1e-300, " 1.00000000000000E-0300"},
      {-4.5e200, "-4.50000000000000E+0200"},
      {99999.9999999999999, " 1.00000000000000E+0005"},  // rounds into the next decade
  };
  for (const Row& row : rows) {
    const std::string text = PlaneValueText(row.value);
    EXPECT_EQ(text, row.text) << row.value;
    EXPECT_EQ(text.size(), 23u) << row.value;
    EXPECT_DOUBLE_EQ(std::stod(text), row.value == 0 ? 0.0 : std::stod(row.text));
  }
}

// The form's digits are the correctly rounded ones (as printf's "%.14E"
// gives them) for every magnitude, including the halfway cases of values with
// a sixteenth digit 5 and values next to a power of ten.
TEST(ScratchValue, DigitsAreCorrectlyRoundedAtEveryMagnitude) {
  auto expected = [](double v) {
    char printed[48];
    std::snprintf(printed, sizeof printed, "%.14E", std::fabs(v));
    std::string text = printed;   // d.ddddddddddddddE+dd[d]
    const size_t e = text.find('E');
    std::string exponent = text.substr(e + 2);
    while (exponent.size() < 4) exponent.insert(0, "0");
    return std::string(v < 0 ? "-" : " ") + text.substr(0, e + 2) + exponent;
  };
  std::vector<double> values = {123456789012345.5, 123456789012344.5, 0.5, 1e14, 1e15 - 0.5, 999999999999999.5,
                                9.999999999999995, 9.999999999999994, 1e-18, 1e-19, 2.5e-17, 100000000000000.25};
  std::mt19937_64 random(29);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> power(-20, 16);
  for (int i = 0; i < 300000; ++i) values.push_back(mantissa(random) * std::pow(10.0, power(random)));
  // Halves at the sixteenth digit, and neighbours of powers of ten.
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<double>(random() % 1000000000000000) + 0.5);
  for (int p = -19; p <= 15; ++p)
    for (double d : {std::pow(10.0, p), std::nextafter(std::pow(10.0, p), 0.0), std::nextafter(std::pow(10.0, p), 1e300)})
      values.push_back(d);
  for (double v : values) ASSERT_EQ(PlaneValueText(v), expected(v)) << std::hexfloat << v;
}

TEST(ScratchValue, RefusesValuesNoReaderCouldParse) {
  for (double v : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(PlaneValueText(v), "");
  }
  TempFolder dir;
  ScratchFile file;
  ASSERT_TRUE(file.create(dir.file("a.txt")));
  EXPECT_FALSE(file.plane(std::nan("")));
  EXPECT_FALSE(file.close());
}

TEST(ScratchFile, WritesCrLfLinesAndAppends) {
  TempFolder dir;
  const std::string path = dir.file("1道路.txt");
  {
    ScratchFile file;
    file.openAppend(path);  // created when missing, once something is written
    file.line("lw");
    file.integer(3);
    file.vertex(45230.123456789, -129876.543210987);
    file.line("sep");
    EXPECT_TRUE(file.close());
  }
  {
    ScratchFile file;
    file.openAppend(path);  // appends behind the first record
    file.line("");
    EXPECT_TRUE(file.close());
  }
  bool crlf = false;
  const auto lines = ScratchLines(path, &crlf);
  EXPECT_TRUE(crlf);
  const std::vector<std::string> expected = {"lw", "3", " 4.52301234567890E+0004",
                                             "-1.29876543210987E+0005", "sep", ""};
  EXPECT_EQ(lines, expected);

  ScratchFile again;
  ASSERT_TRUE(again.create(path));  // create empties it
  again.close();
  EXPECT_EQ(ReadText(path), "");
}

TEST(ScratchFile, FailsVisiblyWhenTheFolderIsMissing) {
  TempFolder dir;
  ScratchFile file;
  file.openAppend(dir.file("missing/x.txt"));
  file.line("sep");
  EXPECT_FALSE(file.close());
  EXPECT_TRUE(file.failed());
}

// Appending that writes nothing leaves no file behind (a scan opens every
// layer's file in every pass, and most stay empty).
TEST(ScratchFile, AppendingNothingCreatesNoFile) {
  TempFolder dir;
  {
    ScratchFile file;
    file.openAppend(dir.file("empty.txt"));
    EXPECT_TRUE(file.close());
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("empty.txt")));
}

// A catalogue with one FGD group of two children, one KKJ child and a theme.
JobSettings SettingsWithLayers(const std::string& folder) {
  JobSettings s;
  s.writefolder = folder;
  LayerGroup road;
  road.node.text = "道路縁";
  for (const char* text : {"0012真幅道路", "0013軽車道"}) {
    LayerNode child;
    child.text = text;
    road.children.push_back(child);
  }
  s.layers.fgd.groups.push_back(road);
  LayerGroup rail;
  rail.node.text = "鉄道";
  LayerNode child;
  child.text = "0200普通鉄道";
  rail.children.push_back(child);
  s.layers.kkj.groups.push_back(rail);
  KsjTheme theme;
  theme.caption = "0301空港";
  s.layers.ksj.push_back(theme);
  s.namae = "map";
  return s;
}

TEST(ScratchLifecycle, DeleteRemovesEveryLayerFileAndNothingElse) {
  TempFolder dir;
  SilentHost host;
  CellBuffer cells;
  JobContext job(SettingsWithLayers(dir.str()), host, cells);
  for (const char* name : {"0012真幅道路.txt", "0013軽車道.txt", "0200普通鉄道.txt", "0301空港.txt",
                           "map.bmp"})
    WriteText(dir.file(name), "sep\r\n");
  DeleteScratchFiles(job);
  EXPECT_FALSE(fs::exists(dir.file("0012真幅道路.txt")));
  EXPECT_FALSE(fs::exists(dir.file("0013軽車道.txt")));
  EXPECT_FALSE(fs::exists(dir.file("0200普通鉄道.txt")));
  EXPECT_FALSE(fs::exists(dir.file("0301空港.txt")));
  EXPECT_TRUE(fs::exists(dir.file("map.bmp")));
  DeleteScratchFiles(job);  // nothing left to delete is fine
  // Once the run has swept, the files written since are the ones deleted.
  WriteText(NewScratchPath(job, "0013軽車道"), "sep\r\n");
  WriteText(NewScratchPath(job, "0301空港"), "sep\r\n");
  DeleteScratchFiles(job);
  EXPECT_FALSE(fs::exists(dir.file("0013軽車道.txt")));
  EXPECT_FALSE(fs::exists(dir.file("0301空港.txt")));
  EXPECT_TRUE(fs::exists(dir.file("map.bmp")));

  // A file opened for appending is noted for deletion once something is
  // written, and only then: one that got nothing was never made.
  {
    ScratchFile empty, written;
    empty.openAppend(ScratchPath(job, "0012真幅道路"), &job.scratchWritten);
    written.openAppend(ScratchPath(job, "0200普通鉄道"), &job.scratchWritten);
    written.line("sep");
    EXPECT_TRUE(empty.close());
    EXPECT_TRUE(written.close());
  }
  EXPECT_EQ(job.scratchWritten, std::set<std::string>{ScratchPath(job, "0200普通鉄道")});
  EXPECT_FALSE(fs::exists(dir.file("0012真幅道路.txt")));
  DeleteScratchFiles(job);
  EXPECT_FALSE(fs::exists(dir.file("0200普通鉄道.txt")));
}

TEST(ScratchLifecycle, KeepMovesTheTilesFilesBelowScratch) {
  TempFolder dir;
  SilentHost host;
  CellBuffer cells;
  JobContext job(SettingsWithLayers(dir.str()), host, cells);
  job.keepScratch = true;
  WriteText(dir.file("0012真幅道路.txt"), "sep\r\n");
  WriteText(dir.file("0301空港.txt"), "");
  EXPECT_EQ(FinishTileScratch(job, "mapA0"), "");
  EXPECT_EQ(ReadText(dir.file("scratch/mapA0/0012真幅道路.txt")), "sep\r\n");
  EXPECT_TRUE(fs::exists(dir.file("scratch/mapA0/0301空港.txt")));
  EXPECT_FALSE(fs::exists(dir.file("0012真幅道路.txt")));
  EXPECT_FALSE(fs::exists(dir.file("0013軽車道.txt")));
  EXPECT_FALSE(fs::exists(dir.file("scratch/mapA0/0013軽車道.txt")));

  // Without keeping, the next tile's files (written as the readers write
  // them) are simply deleted.
  job.keepScratch = false;
  WriteText(NewScratchPath(job, "0013軽車道"), "sep\r\n");
  EXPECT_EQ(FinishTileScratch(job, "mapA1"), "");
  EXPECT_FALSE(fs::exists(dir.file("0013軽車道.txt")));
  EXPECT_FALSE(fs::exists(dir.file("scratch/mapA1")));
}

}  // namespace
}  // namespace velkaro
