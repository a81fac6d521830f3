// DEM XML and ETOPO readers: file layouts of the different producer years,
// start points and early ends, gaps, encodings, overlapping files, bad files,
// and the real public DEM samples against an independent reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <span>
#include <sstream>
#include <vector>

#include "elevation/dem_readers.h"
#include "elevation/parsed_dem_files.h"
#include "elevation/dem_sources.h"
#include "elevation_test_support.h"
#include "platform/line_stream.h"
#include "platform/text_encoding.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
constexpr double kCell = 1.0 / 18000;
constexpr double kNoData = -9999;

// A DEM file of `cols` x `rows` cells whose south-west corner is (35, 139).
struct DemText {
  std::string type = "5mメッシュ（標高）";
  std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  bool bom = false, doubleBlank = false, compact = false;
  int cols = 4, rows = 3, startX = 0, startY = 0;
  std::vector<std::string> tuples;

  std::string str() const {
    const std::string gap = doubleBlank ? "  " : " ";
    const std::string nl = "\r\n";
    std::ostringstream s;
    s.precision(12);
    if (bom) s << "\xEF\xBB\xBF";
    s << declaration << nl;
    if (!compact) s << nl;
    s << "<Dataset xmlns:gml=\"http://www.opengis.net/gml/3.2\"" << nl << "\tgml:id=\"Dataset1\">" << nl;
    s << "\t<DEM" << gap << "gml:id=\"DEM001\">" << nl << "\t\t<type>" << type << "</type>" << nl;
    s << "\t\t\t\t\t<gml:lowerCorner>35 139</gml:lowerCorner>" << nl;
    s << "\t\t\t\t\t<gml:upperCorner>" << 35 + rows * kCell << " " << 139 + cols * kCell
      << "</gml:upperCorner>" << nl;
    s << "\t\t\t\t\t\t\t<gml:low>0 0</gml:low>" << nl;
    s << "\t\t\t\t\t\t\t<gml:high>" << cols - 1 << " " << rows - 1 << "</gml:high>" << nl;
    s << "\t\t\t\t\t</gml:rangeParameters>" << nl;
    if (!compact) s << nl;
    s << "<gml:tupleList>" << nl;
    for (const std::string& t : tuples) s << t << nl;
    s << "</gml:tupleList>" << nl;
    if (compact) s << "   </gml:DataBlock>" << nl;
    s << "\t\t\t\t\t<gml:startPoint>" << startX << " " << startY << "</gml:startPoint>" << nl;
    s << "\t</DEM>" << nl << "</Dataset>";
    if (!compact) s << nl;
    return s.str();
  }
};

// A 5 m job whose grid reaches one cell beyond the DEM block on every side.
struct ReaderJob : test::ElevationJob {
  ReaderJob() {
    plainGrid(5, 6, kNoData);
    ElevationGrid& g = ctx->elevGrid;
    g.gridLonW = 139 - kCell;
    g.gridLatN = 35 + 4 * kCell;
    g.gridLonE = g.gridLonW + 6 * kCell;
    g.gridLatS = g.gridLatN - 5 * kCell;
  }
  GeoBox extent() const {
    const ElevationGrid& g = ctx->elevGrid;
    return {g.gridLonW, g.gridLatS, g.gridLonE, g.gridLatN};
  }
  // Value of DEM block cell (row, col): grid cell (row + 1, col + 1).
  double block(int r, int c) { return at(r + 1, c + 1); }
  DemXmlOutcome read(const std::string& text) {
    DemXmlTarget t{&ctx->elevGrid, pool.data(), ctx->datumOffset, 1u, -1};
    return ReadDemXmlText(text, t);
  }
};

std::vector<std::string> Values(std::initializer_list<const char*> values) {
  std::vector<std::string> out;
  for (const char* v : values) out.push_back(std::string("地表面,") + v);
  return out;
}

TEST(ReadDemXmlText, PlacesTuplesOfEveryLayoutVariant) {
  struct Case {
    const char* name;
    DemText dem;
    std::vector<double> expected;   // the 3 x 4 block, row by row
  };
  DemText full;
  full.tuples = Values({"1.00", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00", "8.00", "9.00", "10.00",
                        "11.00", "12.00"});
  DemText early = full;   // starts inside the block and ends early
  early.startX = 1;
  early.startY = 1;
  early.tuples = Values({"20.5", "21.5", "22.5"});
  DemText single = full;
  single.startX = 3;
  single.startY = 2;
  single.tuples = Values({"7.25"});
  DemText gaps = full;   // BOM, double blanks, leading gaps and a lone blank line
  gaps.bom = gaps.doubleBlank = true;
  gaps.tuples = {"データなし,-9999.", "内水面,-9999.", "地表面,3.00", "", "その他,1.20"};
  DemText compact = full;
  compact.compact = true;
  compact.tuples = Values({"0.5", "-1.5"});
  const double X = kNoData;
  const Case cases[] = {
      {"full grid from 0 0", full, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"start point inside, early end", early, {X, X, X, X, X, 20.5, 21.5, 22.5, X, X, X, X}},
      {"single tuple", single, {X, X, X, X, X, X, X, X, X, X, X, 7.25}},
      {"gaps, BOM, double blanks", gaps, {X, X, 3, 1.2, X, X, X, X, X, X, X, X}},
      {"compact layout", compact, {0.5, -1.5, X, X, X, X, X, X, X, X, X, X}},
  };
  for (const Case& c : cases) {
    ReaderJob job;
    ASSERT_EQ(job.read(c.dem.str()), DemXmlOutcome::Read) << c.name;
    for (int r = 0; r < 3; ++r)
      for (int col = 0; col < 4; ++col)
        EXPECT_EQ(job.block(r, col), c.expected[static_cast<size_t>(r * 4 + col)])
            << c.name << " cell " << r << "," << col;
    // The pad around the block stays untouched.
    for (int r = 0; r < 5; ++r) EXPECT_EQ(job.at(r, 0), kNoData) << c.name;
  }
}

// Every form a tuple's value may take reads as the general reading reads it,
// whether the line takes the short way (type, comma, plain decimal, blanks)
// or not: a blank before the value, a plus, an exponent, more digits than
// the short way takes, the no-data mark (also as the start of a longer
// number), an empty type, and the end tag on the last tuple's line.
TEST(ReadDemXmlText, ReadsEveryFormOfTupleAlike) {
  DemText dem;
  dem.tuples = {"地表面,1.25",  "地表面,2.5   ", "地表面, 3.5",   "地表面,+4",  "地表面,5e0",    "地表面,-99990",
                "地表面,-9999.", ",7",           "地表面,8.125\t", "地表面,9.00000000000000001",
                "地表面,10.5</gml:tupleList>"};
  const double X = kNoData;
  const double expected[12] = {1.25, 2.5, 3.5, 4, 5, X, X, 7, 8.125, 9, 10.5, X};
  ReaderJob job;
  ASSERT_EQ(job.read(dem.str()), DemXmlOutcome::Read);
  for (int r = 0; r < 3; ++r)
    for (int col = 0; col < 4; ++col)
      EXPECT_EQ(job.block(r, col), expected[r * 4 + col]) << dem.tuples[static_cast<size_t>(std::min(r * 4 + col, 10))];
  // A value past the believable stops the file either way.
  for (const char* bad : {"地表面,99999", "地表面,1e9"}) {
    DemText wrong;
    wrong.tuples = {"地表面,1", bad};
    ReaderJob other;
    EXPECT_EQ(other.read(wrong.str()), DemXmlOutcome::BadNumber) << bad;
  }
}

// A grid that takes an inner part of a file (the file reaches past it on
// every side) gets exactly the file's cells that fall in it: the tuples
// start inside the file's first rows, leave gaps, and end below the grid
// or early, inside it.
TEST(ReadDemXmlText, PlacesTheCellsOfAFileThatReachesPastTheGrid) {
  for (const int count : {20, 10}) {
    test::ElevationJob job;
    job.plainGrid(3, 4, kNoData);
    ElevationGrid& g = job.ctx->elevGrid;
    g.gridLonW = 139 + 2 * kCell;   // the file's columns 2..5 (it has 7)
    g.gridLonE = g.gridLonW + 4 * kCell;
    g.gridLatN = 35 + 4 * kCell;    // its rows 1..3 (it has 5)
    g.gridLatS = g.gridLatN - 3 * kCell;
    DemText dem;
    dem.cols = 7;
    dem.rows = 5;
    dem.startX = 2;
    dem.startY = 1;   // the tuples begin at file cell 1 * 7 + 2 = 9
    std::vector<double> tuple;
    for (int k = 0; k < count; ++k) {
      const bool gap = k % 6 == 3;
      dem.tuples.push_back(gap ? "データなし,-9999." : "地表面," + std::to_string(100 + k) + ".5");
      tuple.push_back(gap ? kNoData : 100 + k + 0.5);
    }
    DemXmlTarget t{&g, job.pool.data(), job.ctx->datumOffset, 1u, -1};
    ASSERT_EQ(ReadDemXmlText(dem.str(), t), DemXmlOutcome::Read);
    double highest = -1e9, lowest = 1e9;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) {
        const int k = (r + 1) * 7 + (c + 2) - 9;
        const double expected = k >= 0 && k < count ? tuple[static_cast<size_t>(k)] : kNoData;
        EXPECT_EQ(job.at(r, c), expected) << count << " tuples, cell " << r << "," << c;
        if (expected != kNoData) highest = std::max(highest, expected), lowest = std::min(lowest, expected);
      }
    EXPECT_EQ(g.elevMax, highest) << count;
    EXPECT_EQ(g.elevMin, lowest) << count;
  }
}

TEST(ReadDemXmlText, TracksExtremesInsideTheTileWindowOnly) {
  ReaderJob job;
  ElevationGrid& g = job.ctx->elevGrid;
  g.winCol0 = 2;   // the window leaves out the block's first column
  DemText dem;
  dem.tuples = Values({"100", "2", "3", "4", "5", "-6", "7", "8", "9", "10", "11", "12"});
  job.ctx->datumOffset = 0.5;
  ASSERT_EQ(job.read(dem.str()), DemXmlOutcome::Read);
  EXPECT_EQ(job.block(0, 0), 100.5);
  EXPECT_EQ(g.elevMax, 12.5);
  EXPECT_EQ(g.elevMin, -5.5);
}

TEST(ReadDemXmlText, SkipsOtherFeaturesAndUnselectedKinds) {
  ReaderJob job;
  DemText other;
  other.tuples = Values({"1"});
  std::string cstline = other.str();
  cstline.replace(cstline.find("\t<DEM"), 5, "<Cstline gml:id=\"K1\">\r\n\t<DEM");
  EXPECT_EQ(job.read(cstline), DemXmlOutcome::NotDem);
  DemText tenMetre = other;
  tenMetre.type = "10mメッシュ（標高）";
  EXPECT_EQ(job.read(tenMetre.str()), DemXmlOutcome::NotDem);
  DemText oneMetre = other;
  oneMetre.type = "1mメッシュ（標高）";
  EXPECT_EQ(job.read(oneMetre.str()), DemXmlOutcome::NotDem);
  EXPECT_EQ(job.block(0, 0), kNoData);
}

struct TempFolder {
  fs::path path;
  explicit TempFolder(const char* name) : path(fs::temp_directory_path() / name) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempFolder() { fs::remove_all(path); }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return (path / name).string();
  }
};

TEST(ReadDemXml, ReadsShiftJisLikeItsUtf8Twin) {
  TempFolder folder("velkaro-dem-sjis");
  DemText dem;
  dem.tuples = Values({"1.5", "2.5", "3.5"});
  DemText sjis = dem;
  sjis.declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>";
  const std::string utf8Path = folder.write("a.xml", dem.str());
  const std::string sjisPath = folder.write("b.xml", Utf8ToCp932(sjis.str()));
  ReaderJob a, b;
  ASSERT_TRUE(ReadDemXml(a.job(), utf8Path, a.extent()));
  ASSERT_TRUE(ReadDemXml(b.job(), sjisPath, b.extent()));
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 6; ++c) EXPECT_EQ(a.at(r, c), b.at(r, c));
  EXPECT_EQ(b.block(0, 2), 3.5);
}

// Two readings of one file compare equal: outcome, kind, header and every
// value (NaN for NaN).
void ExpectSameParse(const DemXmlParsed& a, const DemXmlParsed& b, const std::string& what) {
  EXPECT_EQ(a.outcome, b.outcome) << what;
  EXPECT_EQ(a.kindFound, b.kindFound) << what;
  EXPECT_EQ(a.loaded, b.loaded) << what;
  EXPECT_EQ(a.tuplesOk, b.tuplesOk) << what;
  EXPECT_EQ(a.header.found, b.header.found) << what;
  EXPECT_EQ(a.header.width, b.header.width) << what;
  EXPECT_EQ(a.header.height, b.header.height) << what;
  EXPECT_EQ(a.header.startX, b.header.startX) << what;
  EXPECT_EQ(a.header.startY, b.header.startY) << what;
  EXPECT_EQ(a.header.upperLat, b.header.upperLat) << what;
  const std::span<const double> va = a.allValues(), vb = b.allValues();
  ASSERT_EQ(va.size(), vb.size()) << what;
  for (size_t i = 0; i < va.size(); ++i)
    EXPECT_TRUE(va[i] == vb[i] || (std::isnan(va[i]) && std::isnan(vb[i]))) << what << ", value " << i;
}

// A file on disk is taken apart as it is read, a chunk at a time, and comes
// out as the same text in memory does, chunk boundaries anywhere: the kind,
// header lines on either side of the tuple list (the start point follows
// it), the first tuple list only, and an outcome settled by a line after
// the tuples.
TEST(ParseDemXml, TakesAFileApartAsItIsReadLikeTheWholeText) {
  TempFolder folder("velkaro-dem-stream");
  DemText dem;
  dem.tuples = Values({"1.00", "2.50", "3.25"});
  dem.tuples.insert(dem.tuples.begin() + 1, "データなし,-9999.");
  dem.startX = 1;
  const std::string base = dem.str();
  auto edited = [&](const std::string& from, const std::string& to) {
    std::string text = base;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::string typeLine = "\t\t<type>5mメッシュ（標高）</type>\r\n";
  struct Case {
    const char* name;
    std::string text;
    DemXmlOutcome outcome;
    size_t values;
  };
  const Case cases[] = {
      {"as published", base, DemXmlOutcome::Read, 4},
      {"line feeds only", std::regex_replace(base, std::regex("\r"), ""), DemXmlOutcome::Read, 4},
      {"no line end at the end", base.substr(0, base.size() - 2), DemXmlOutcome::Read, 4},
      {"kind after the tuples", edited(typeLine, "") + "\r\n" + typeLine, DemXmlOutcome::Read, 4},
      {"bad header number after the tuples", edited("<gml:startPoint>1 0", "<gml:startPoint>x 0"),
       DemXmlOutcome::BadNumber, 0},
      {"a second tuple list", edited("\t\t\t\t\t<gml:startPoint>", "<gml:tupleList>\r\n地表面,9\r\n</gml:tupleList>\r\n"
                                                                  "\t\t\t\t\t<gml:startPoint>"),
       DemXmlOutcome::Read, 4},
      {"tuple list on one line", edited("<gml:tupleList>\r\n", "<gml:tupleList>"), DemXmlOutcome::Read, 3},
      {"no end tag", edited("</gml:tupleList>", ""), DemXmlOutcome::Read, 4},
      {"a bad tuple", edited("地表面,2.50", "地表面,2.5x"), DemXmlOutcome::Read, 2},
      {"another feature", edited("\t<DEM", "<Cstline gml:id=\"K1\">\r\n\t<DEM"), DemXmlOutcome::NotDem, 0},
      {"an unselected kind", edited("5mメッシュ", "10mメッシュ"), DemXmlOutcome::NotDem, 0},
      {"cut in a tuple", base.substr(0, base.find("3.25") + 2), DemXmlOutcome::Read, 4},
      {"declaration only", "<?xml version=\"1.0\"?>", DemXmlOutcome::NotDem, 0},
      {"empty", "", DemXmlOutcome::NotDem, 0},
      {"Shift_JIS", Utf8ToCp932(edited("UTF-8", "Shift_JIS")), DemXmlOutcome::Read, 4},
  };
  for (const Case& c : cases) {
    const std::string path = folder.write("dem.xml", c.text);
    DemXmlParsed whole;
    ParseDemXml(SourceFile::InMemory("dem.xml", c.text), 1u, whole);
    EXPECT_EQ(whole.outcome, c.outcome) << c.name;
    EXPECT_EQ(whole.allValues().size(), c.values) << c.name;
    for (const size_t chunk : {size_t{1}, size_t{5}, size_t{64} << 10}) {
      LineStream stream(chunk);
      DemXmlParsed streamed;
      ParseDemXml(SourceFile(path), 1u, streamed, stream);
      ExpectSameParse(whole, streamed, std::string(c.name) + ", chunk " + std::to_string(chunk));
    }
  }
  DemXmlParsed missing;
  ParseDemXml(SourceFile(folder.path.string() + "/missing.xml"), 1u, missing);
  EXPECT_FALSE(missing.loaded);
}

TEST(ReadDemXml, ABadNumberCostsThatFileOnlyAndIsNamed) {
  TempFolder folder("velkaro-dem-bad");
  DemText badTuple;
  badTuple.tuples = Values({"1.0", "2.0x", "3.0"});
  DemText badHeader;
  badHeader.tuples = Values({"1.0"});
  std::string header = badHeader.str();
  header.replace(header.find("<gml:high>3 2"), 13, "<gml:high>three 2");
  DemText notANumber;
  notANumber.tuples = Values({"1.0", "nan"});
  // A finite number no terrain has would stretch legend and contours without end.
  DemText absurd;
  absurd.tuples = Values({"1.0", "1e308"});
  for (const std::string& text : {badTuple.str(), header, notANumber.str(), absurd.str()}) {
    ReaderJob job;
    const std::string path = folder.write("broken.xml", text);
    EXPECT_FALSE(ReadDemXml(job.job(), path, job.extent()));
    EXPECT_EQ(job.ctx->errorText, "ReadDemXml(" + path + ")で異常\r\n");
    EXPECT_TRUE(job.ctx->runFlag);
    // The same text as a zip member in memory is named by its place in the zip.
    ReaderJob zipped;
    EXPECT_FALSE(ReadDemXml(zipped.job(), SourceFile::InMemory("dl.zip/broken.xml", text), zipped.extent()));
    EXPECT_EQ(zipped.ctx->errorText, "ReadDemXml(dl.zip/broken.xml)で異常\r\n");
  }
  ReaderJob missing;
  EXPECT_FALSE(ReadDemXml(missing.job(), (folder.path / "none.xml").string(), missing.extent()));
  EXPECT_NE(missing.ctx->errorText.find("none.xml"), std::string::npos);
}

TEST(DemFileNames, CutTheMeshCodeBeforeDem) {
  struct Case {
    const char* name;
    DemKind kind;
    const char* code;
    double latS, lonW;
  };
  const Case cases[] = {
      {"FG-GML-5339-45-00-DEM5A-20161001.xml", kDem5, "5339-45-00", 53 / 1.5 + 4 / 12.0, 139.625},
      {"FG-GML-5339-45-97-dem5b-20170202.xml", kDem5, "5339-45-97", 53 / 1.5 + 4 / 12.0 + 9 / 120.0, 139.625 + 7 / 80.0},
      {"FG-GML-53394500-DEM5A-20161001.xml", kDem5, "L-53394500", 53 / 1.5 + 4 / 12.0, 139.625},
      {"FG-GML-5339-25-dem10b-20161001.xml", kDem10, "5339-25", 53 / 1.5 + 2 / 12.0, 139.625},
      {"FG-GML-533925-DEM10B-20161001.xml", kDem10, "-533925", 53 / 1.5 + 2 / 12.0, 139.625},
      {"FG-GML-5339-DEM250.xml", kDem250, "5339", 53 / 1.5, 139},
  };
  for (const Case& c : cases) {
    const std::string code = DemMeshCodeOfFileName(c.name, c.kind);
    EXPECT_EQ(code, c.code) << c.name;
    GeoBox box;
    ASSERT_TRUE(DemMeshBox(code, c.kind, box)) << c.name;
    EXPECT_NEAR(box.latS, c.latS, 1e-12) << c.name;
    EXPECT_NEAR(box.lonW, c.lonW, 1e-12) << c.name;
  }
  GeoBox box;
  // A 50 m file listed by the 5 m pattern does not give a 5 m code.
  EXPECT_FALSE(DemMeshBox(DemMeshCodeOfFileName("FG-GML-5339-45-DEM50.xml", kDem5), kDem5, box));
  EXPECT_FALSE(DemMeshBox("5339-48", kDem10, box));   // second-level digits run 0..7
  EXPECT_EQ(DemMeshCodeOfFileName("DEM5.xml", kDem5), "");
}

TEST(ScanDemSources, CountsEveryFileAndReadsOnlyThoseOverTheGrid) {
  TempFolder folder("velkaro-dem-scan");
  DemText near, later;
  near.tuples = Values({"1", "2", "3", "4"});
  later.tuples = {"地表面,9", "データなし,-9999.", "地表面,8"};
  // The block lies in third-level mesh 5239-40-00 (35 N, 139 E).
  folder.write("FG-GML-5239-40-00-DEM5A-20161001.xml", near.str());
  folder.write("FG-GML-5239-40-00-DEM5A-20190130.xml", later.str());
  folder.write("FG-GML-5339-45-00-DEM5A-20161001.xml", near.str());   // far away
  ReaderJob job;
  job.ctx->settings.meshfolder = folder.path.string();
  ScanDemSources(job.job(), DemScanMode::Count, job.extent());
  EXPECT_EQ(job.ctx->fileCount, 3);
  job.ctx->fileCount = 0;
  ScanDemSources(job.job(), DemScanMode::Read, job.extent());
  EXPECT_EQ(job.ctx->fileCount, 3);
  // The later file wins where it has values; its gap keeps the earlier value.
  EXPECT_EQ(job.block(0, 0), 9);
  EXPECT_EQ(job.block(0, 1), 2);
  EXPECT_EQ(job.block(0, 2), 8);
  EXPECT_EQ(job.block(0, 3), 4);
  EXPECT_TRUE(job.ctx->errorText.empty());

  // Within a run, a file taken apart for one tile is placed again from
  // memory for the next: a copy changed on disk meanwhile is not read again.
  ParsedDemFiles parsed;
  job.ctx->parsedDemFiles = &parsed;
  ScanDemSources(job.job(), DemScanMode::Read, job.extent());
  later.tuples = {"地表面,1", "地表面,1", "地表面,1"};
  folder.write("FG-GML-5239-40-00-DEM5A-20190130.xml", later.str());
  for (int c = 0; c < 4; ++c) job.at(1, c + 1) = 0;
  ScanDemSources(job.job(), DemScanMode::Read, job.extent());
  EXPECT_EQ(job.block(0, 0), 9);
  EXPECT_EQ(job.block(0, 1), 2);
  EXPECT_EQ(job.block(0, 2), 8);
  EXPECT_EQ(job.block(0, 3), 4);
  EXPECT_TRUE(job.ctx->errorText.empty());
}

// An independent reading of a DEM file: envelope, start point and tuples.
struct PlainDem {
  double lowerLat = 0, lowerLon = 0, upperLat = 0, upperLon = 0;
  int width = 0, height = 0;
  std::vector<double> values;   // width x height, -9999 without data
};

PlainDem ReadPlain(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  std::smatch m;
  PlainDem d;
  std::regex_search(text, m, std::regex("<gml:lowerCorner>([0-9.]+) ([0-9.]+)<"));
  d.lowerLat = std::stod(m[1]);
  d.lowerLon = std::stod(m[2]);
  std::regex_search(text, m, std::regex("<gml:upperCorner>([0-9.]+) ([0-9.]+)<"));
  d.upperLat = std::stod(m[1]);
  d.upperLon = std::stod(m[2]);
  std::regex_search(text, m, std::regex("<gml:high>([0-9]+) ([0-9]+)<"));
  d.width = std::stoi(m[1]) + 1;
  d.height = std::stoi(m[2]) + 1;
  std::regex_search(text, m, std::regex("<gml:startPoint>([0-9]+) ([0-9]+)<"));
  size_t index = static_cast<size_t>(std::stoi(m[2]) * d.width + std::stoi(m[1]));
  d.values.assign(static_cast<size_t>(d.width * d.height), kNoData);
  std::istringstream lines(text.substr(text.find("<gml:tupleList>")));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line) && line.rfind("</gml:tupleList>", 0) != 0) {
    const double v = std::stod(line.substr(line.find(',') + 1));
    if (v > -9000) d.values.at(index) = v;
    ++index;
  }
  return d;
}

TEST(ReadDemXml, ReadsTheRealSamplesCellForCell) {
  const fs::path dir = fs::path(VELKARO_SAMPLES_DIR) / "dem";
  struct Case {
    const char* file;
    int kind;
  };
  const Case cases[] = {
      {"FG-GML-5238-74-00-DEM5A-20161001.xml", kDem5},    // 2016, full grid
      {"FG-GML-6443-20-01-DEM5A-20190130.xml", kDem5},    // BOM, double blanks, gaps
      {"FG-GML-6443-20-88-DEM5A-20161001.xml", kDem5},    // starts at column 72
      {"FG-GML-3624-30-98-DEM5B-20170202.xml", kDem5},    // a single tuple
      {"FG-GML-3926-76-DEM10B-20161001.xml", kDem10},     // 10 m, starts at 743 639
  };
  for (const Case& c : cases) {
    const std::string path = (dir / c.file).string();
    const PlainDem plain = ReadPlain(path);
    test::ElevationJob job(c.kind);
    JobContext& ctx = job.job();
    ctx.settings.meshfolder.clear();
    ctx.tile = CurrentTile{0, 0, plain.lowerLon, plain.upperLon, plain.upperLat, plain.lowerLat};
    ASSERT_TRUE(PrepareElevationGrid(ctx)) << c.file;
    const ElevationGrid& g = ctx.elevGrid;
    ASSERT_TRUE(ReadDemXml(ctx, path, GeoBox{g.gridLonW, g.gridLatS, g.gridLonE, g.gridLatN})) << c.file;
    const int colOff = static_cast<int>(std::lround((plain.lowerLon - g.gridLonW) / g.cellLon));
    const int rowOff = static_cast<int>(std::lround((g.gridLatN - plain.upperLat) / g.cellLat));
    double top = -1e308;
    int mismatches = 0;
    for (int r = 0; r < plain.height; ++r)
      for (int col = 0; col < plain.width; ++col) {
        const double want = plain.values[static_cast<size_t>(r * plain.width + col)];
        mismatches += job.at(r + rowOff, col + colOff) != want;
        top = std::max(top, want);
      }
    EXPECT_EQ(mismatches, 0) << c.file;
    EXPECT_EQ(g.elevMax, top) << c.file;
  }
}

// ETOPO: a sparse file of the full logical size with a few known values.
TEST(ReadEtopoGrid, ReadsTheGridWindowAndBlanksDeepSea) {
  TempFolder folder("velkaro-etopo");
  const fs::path file = folder.path / "etopo1_ice_c_f4.flt";
  const long long size = 1LL * kEtopoCols * kEtopoRows * 4;
  {
    std::ofstream(file, std::ios::binary).put('\0');
  }
  fs::resize_file(file, static_cast<uintmax_t>(size));
  // Cell at 35.5 N .. 35.4833 N, 139.0 E .. 139.0167 E: row 3270, column 19140.
  auto put = [&](long row, long col, float v) {
    std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp((row * kEtopoCols + col) * 4);
    f.write(reinterpret_cast<const char*>(&v), 4);
  };
  const long row = 3270, col = 19140;
  put(row, col, 120.0f);
  put(row, col + 1, -5.0f);
  put(row, col + 2, -4.9f);
  put(row + 1, col, 3.0f);
  for (long c = col; c < col + 3; ++c) put(row + 2, c, -200.0f);

  test::ElevationJob job(kEtopo);
  JobContext& ctx = job.job();
  job.plainGrid(3, 4, kNoData);
  ElevationGrid& g = ctx.elevGrid;
  g.gridLonW = 139.0;
  g.gridLatN = 35.5;
  ctx.datumOffset = 1.0;
  ASSERT_TRUE(ReadEtopoGrid(ctx, file.string(), GeoBox{139.0, 35.45, 139.0667, 35.5}));
  EXPECT_EQ(job.at(0, 0), 121.0);
  EXPECT_EQ(job.at(0, 1), 1.0 - 9999);                 // -5 m is no data
  EXPECT_NEAR(job.at(0, 2), -3.9, 1e-6);               // -4.9 m is kept
  EXPECT_EQ(job.at(1, 0), 4.0);
  EXPECT_EQ(job.at(2, 0), 1.0 - 9999);                 // deep sea
  EXPECT_EQ(g.elevMax, 121.0);
  EXPECT_NEAR(g.elevMin, -3.9, 1e-6);

  // A short file ends the reading with the file named in the error text.
  const fs::path shortFile = folder.path / "short.flt";
  std::ofstream(shortFile, std::ios::binary) << "abcd";
  EXPECT_FALSE(ReadEtopoGrid(ctx, shortFile.string(), GeoBox{139.0, 35.45, 139.0667, 35.5}));
  EXPECT_NE(ctx.errorText.find("short.flt"), std::string::npos);
}

}  // namespace
}  // namespace velkaro

namespace velkaro {
namespace {

std::shared_ptr<const DemXmlParsed> ParsedOfValues(size_t count) {
  auto parsed = std::make_shared<DemXmlParsed>();
  parsed->values.assign(count, 1.0);
  return parsed;
}

// The run's taken-apart files stay within their byte limit: the file used
// longest ago goes first, a file bigger than the whole limit is not kept.
TEST(ParsedDemFiles, KeepsTheRecentlyUsedWithinTheLimit) {
  ParsedDemFiles files(3 * (1000 * sizeof(double) + 256));
  files.keep("a", ParsedOfValues(1000));
  files.keep("b", ParsedOfValues(1000));
  files.keep("c", ParsedOfValues(1000));
  ASSERT_NE(files.find("a"), nullptr);   // a is now the most recent
  files.keep("d", ParsedOfValues(1000));
  EXPECT_EQ(files.find("b"), nullptr);
  EXPECT_NE(files.find("a"), nullptr);
  EXPECT_NE(files.find("c"), nullptr);
  EXPECT_NE(files.find("d"), nullptr);
  files.keep("huge", ParsedOfValues(5000));
  EXPECT_EQ(files.find("huge"), nullptr);
  EXPECT_NE(files.find("d"), nullptr);
}

}  // namespace
}  // namespace velkaro
