#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "gml_test_support.h"
#include "platform/text_encoding.h"
#include "scratch/symbol_names.h"
#include "vector/gml_readers.h"
#include "vector/reader_request.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;
using Tags = std::vector<std::pair<std::string, std::string>>;

// A point feature in the real FGD layout: common attributes, "<pos>" with
// its "<gml:Point>" and one "<gml:pos>lat lon</gml:pos>" line, then the
// attributes.
void Point(Gml& g, const std::string& element, LatLon p, const Tags& before, const Tags& after) {
  g.begin(element);
  g.tag("fid", "fgoid:10-00200-11-1-1");
  g.line("<lfSpanFr gml:id=\"l\">").line("<gml:timePosition>2016-05-17</gml:timePosition>").line("</lfSpanFr>");
  for (const auto& [k, v] : before) g.tag(k, v);
  g.line("<pos>").line("<gml:Point gml:id=\"p\" srsName=\"fguuid:jgd2011.bl\">");
  char pos[80];
  std::snprintf(pos, sizeof pos, "<gml:pos>%.9f %.9f</gml:pos>", p.lat, p.lon);
  g.line(pos).line("</gml:Point>").line("</pos>");
  for (const auto& [k, v] : after) g.tag(k, v);
  g.end(element);
}

// Inside the test tile (35.70-35.72 N, 139.74-139.78 E) and outside it.
constexpr LatLon kInside = {35.71, 139.76};
constexpr LatLon kOutside = {35.73, 139.76};

std::string RunReader(gml::GmlReader reader, TestJob& t, ScanContext& scan, const std::string& path) {
  reader(ReaderRequestOf(*t), path, scan);
  scan.closeOutputs();
  return t->errorText;
}

// The pixel a plane point maps to in the test job.
std::pair<long, long> PixelOf(TestJob& t, double east, double north) {
  const ImageGeometry& im = t->image;
  return {static_cast<long>(std::trunc(east / im.unitsPerPixel * im.latFactor - t->tile.mapOffsetX)),
          static_cast<long>(std::trunc(im.height - north / im.unitsPerPixel + t->tile.mapOffsetY))};
}

TEST(GML2Elv, WritesHeightsWithTheCorrectionAtTheirPixelAndNothingOffTheTile) {
  TempFolder dir;
  TestJob t(dir.str());
  t->datumOffset = 1.5;
  const std::string path = dir.file("FG-GML-533946-ElevPt-20161001-0001.xml");
  Gml g;
  Point(g, "ElevPt", kInside, {{"orgGILvl", "25000"}}, {{"type", "標高点（測点）"}, {"alti", "123.4"}});
  Point(g, "ElevPt", kOutside, {{"orgGILvl", "25000"}}, {{"type", "標高点（測点）"}, {"alti", "50"}});
  // A level that is no number does not stop the file.
  Point(g, "ElevPt", {35.715, 139.77}, {{"orgGILvl", "KJ13"}}, {{"type", "標高点（測点）"}, {"alti", "7.6"}});
  WriteText(path, g.file());
  ScanContext scan = MakeScan(dir.str(), "ElevPt-1", {""});
  EXPECT_EQ(RunReader(gml::GML2Elv, t, scan, path), "");
  bool crlf = false;
  const std::vector<std::string> lines = ScratchLines(ScratchPath(dir.str(), "1out"), &crlf);
  EXPECT_TRUE(crlf);
  const Zone9 zone9;
  const auto [e, n] = zone9(kInside.lat, kInside.lon);
  const auto [px, py] = PixelOf(t, e, n);
  const auto [e3, n3] = zone9(35.715, 139.77);
  const auto [px3, py3] = PixelOf(t, e3, n3);
  const std::vector<std::string> expected = {std::to_string(px),  std::to_string(py),  "125", "",
                                             std::to_string(px3), std::to_string(py3), "9",   ""};
  EXPECT_EQ(lines, expected);
}

TEST(GML2Elv, RankSuppressionAndAHeightThatIsNoNumber) {
  TempFolder dir;
  TestJob t(dir.str());
  t->constants.rankThreshold = 2500;
  const std::string path = dir.file("FG-GML-533946-ElevPt-20161001-0001.xml");
  Gml g;
  Point(g, "ElevPt", kInside, {{"orgGILvl", "1000"}}, {{"alti", "10"}});
  Point(g, "ElevPt", kInside, {{"orgGILvl", "2500"}}, {{"alti", "20"}});
  Point(g, "ElevPt", kInside, {{"orgGILvl", "2500"}}, {{"alti", "高い"}});
  Point(g, "ElevPt", kInside, {{"orgGILvl", "2500"}}, {{"alti", "40"}});
  WriteText(path, g.file());
  ScanContext scan = MakeScan(dir.str(), "ElevPt-1", {""});
  EXPECT_EQ(RunReader(gml::GML2Elv, t, scan, path), "GML2Elv(" + path + ")で異常\r\n");
  const std::vector<std::string> lines = ScratchLines(ScratchPath(dir.str(), "1out"));
  ASSERT_EQ(lines.size(), 4u) << "only the feature of level 2500 before the fault";
  EXPECT_EQ(lines[2], "20");
}

TEST(GML1Name, RoutesByVisibilitySkipsPlaceholdersAndKeepsTheTileEdge) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-AdmPt-20161001-0001.xml");
  const Zone9 zone9;
  Gml g;
  Point(g, "AdmPt", kInside, {{"orgGILvl", "25000"}, {"vis", "表示"}}, {{"type", "町村・指定都市の区"}, {"name", "見本町"}});
  Point(g, "AdmPt", kInside, {{"orgGILvl", "25000"}, {"vis", "表示"}}, {{"name", "＿なし"}});
  Point(g, "AdmPt", kInside, {{"orgGILvl", "25000"}, {"vis", "表示"}}, {{"name", "＿未確認"}});
  Point(g, "AdmPt", kInside, {{"orgGILvl", "25000"}, {"vis", "非表示"}}, {{"name", "隠町"}});
  Point(g, "AdmPt", kOutside, {{"orgGILvl", "25000"}, {"vis", "表示"}}, {{"name", "外町"}});
  Point(g, "AdmPt", kInside, {{"orgGILvl", "2500"}, {"vis", "表示"}}, {{"sbaNo", "12"}});
  WriteText(path, g.file());
  // The tile's west edge through the first point.
  t->tile.west = zone9(kInside.lat, kInside.lon).first;
  ScanContext scan = MakeScan(dir.str(), "AdmPt-1", {"表示", "非表示"});
  EXPECT_EQ(RunReader(gml::GML1Name, t, scan, path), "");
  const std::vector<std::string> shown = ScratchLines(ScratchPath(dir.str(), "1out"));
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[2], "見本町");
  EXPECT_EQ(shown[5], "12");
  const std::vector<std::string> hidden = ScratchLines(ScratchPath(dir.str(), "2out"));
  ASSERT_EQ(hidden.size(), 3u);
  EXPECT_EQ(hidden[2], "隠町");
}

TEST(GML4GCP, RoutesByClassAndSendsAuxiliaryPointsToOutofdata) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    std::vector<size_t> recordsPerOutput;
  };
  const Case cases[] = {
      {"class keys and outofdata", {"一等三角点", "一等水準点", "outofdata"}, {1, 1, 1}},
      {"no outofdata child: auxiliary point dropped", {"一等三角点", "一等水準点"}, {1, 1}},
      {"empty first key takes everything", {""}, {3}},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    TestJob t(dir.str());
    t->constants.rankThreshold = 25000;   // control points have no rank suppression
    const std::string path = dir.file("FG-GML-533946-GCP-20161001-0001.xml");
    Gml g;
    const Tags level = {{"orgGILvl", "KJ11"}};
    Point(g, "GCP", kInside, level,
          {{"type", "三角点"}, {"gcpClass", "一等三角点"}, {"name", "見本山"}, {"alti", "221.25"}});
    Point(g, "GCP", kInside, {{"orgGILvl", "SJ11"}},
          {{"type", "水準点"}, {"gcpClass", "一等水準点"}, {"name", "見本１"}, {"alti", "7.8"}});
    Point(g, "GCP", kInside, level,
          {{"type", "三角点"}, {"gcpClass", "四等三角点"}, {"name", "見本山（付）"}, {"alti", "220"}});
    Point(g, "GCP", kOutside, level, {{"gcpClass", "一等三角点"}, {"name", "外山"}, {"alti", "1"}});
    WriteText(path, g.file());
    ScanContext scan = MakeScan(dir.str(), "GCP-1", c.keys);
    EXPECT_EQ(RunReader(gml::GML4GCP, t, scan, path), "") << c.name;
    for (size_t k = 0; k < c.keys.size(); ++k) {
      const std::vector<std::string> lines = ScratchLines(ScratchPath(dir.str(), std::to_string(k + 1) + "out"));
      EXPECT_EQ(lines.size(), 4 * c.recordsPerOutput[k]) << c.name << " output " << k;
      if (lines.size() < 4) continue;
      const Zone9 zone9;
      const auto [e, n] = zone9(kInside.lat, kInside.lon);
      EXPECT_EQ(lines[0].size(), 23u);
      EXPECT_NEAR(std::stod(lines[0]), e, 0.01);
      EXPECT_NEAR(std::stod(lines[1]), n, 0.01);
      if (c.keys[k] == "outofdata") {
        EXPECT_EQ(lines[3], "outofdata") << c.name;
      }
      if (c.keys[k] == "一等三角点") {
        EXPECT_EQ(lines[2], "221.2") << c.name << ": \"%0.1f\"";
      }
    }
  }
}

TEST(GML8LayoutStr, RoutesByCategoryAndArrangementWithTheWidenedTile) {
  TempFolder dir;
  TestJob t(dir.str());
  const double tileWidth = t->tile.east - t->tile.west, tileHeight = t->tile.north - t->tile.south;
  // 35.71 N on the tile's west edge and on the tile's middle meridian.
  auto westOf = [&](double metres) {
    const double lon = 139.74 - metres / (111320 * std::cos(35.71 * M_PI / 180));
    return LatLon{35.71, lon};
  };
  auto northOf = [&](double metres) { return LatLon{35.72 + metres / 110950, 139.76}; };
  struct Anno {
    const char* category;
    const char* arrangement;
    const char* angle;
    LatLon at;
  };
  const Anno annos[] = {
      {"山地（山、岳、峰等）", "1", "0", kInside},                     // A: horizontal
      {"山地（山、岳、峰等）", "2", "12.5", kInside},                  // A: vertical
      {"山地AB（尖峰）", "1", "90", kInside},                          // AB wins over A
      {"山地（山の総称）", "1", "0", westOf(tileWidth / 40)},          // within 1/20 west
      {"山地（山の総称）", "2", "0", westOf(tileWidth / 40)},          // vertical: dropped
      {"山地（山の総称）", "2", "0", northOf(tileHeight / 40)},        // within 1/20 north
      {"山地（山の総称）", "1", "0", northOf(tileHeight / 40)},        // horizontal: dropped
      {"建物（寺院）", "1", "0", kInside},                             // no key occurs
  };
  Gml g;
  int n = 0;
  for (const Anno& a : annos)
    Point(g, "Anno", a.at, {{"orgGILvl", "25000"}},
          {{"annoCtg", a.category}, {"knj", "注記" + std::to_string(++n)}, {"arrng", a.arrangement},
           {"arrngAgl", a.angle}});
  const std::string path = dir.file("FG-GML-533946-Anno-20161001-0001.xml");
  WriteText(path, g.file());
  // A horizontal group (sub keys "1") and a vertical one (sub key "2").
  ScanContext horizontal = MakeScan(dir.str(), "Anno-1", {"山地", "山地AB"});
  horizontal.subKeys = {"1", "1"};
  EXPECT_EQ(RunReader(gml::GML8LayoutStr, t, horizontal, path), "");
  auto texts = [&](const std::string& out) {
    std::vector<std::string> lines = ScratchLines(ScratchPath(dir.str(), out)), result;
    for (size_t i = 3; i < lines.size(); i += 4) result.push_back(lines[i - 1] + " " + lines[i]);
    return result;
  };
  EXPECT_EQ(texts("1out"), (std::vector<std::string>{"0 注記1", "0 注記4"}));
  EXPECT_EQ(texts("2out"), (std::vector<std::string>{"90 注記3"}));

  TempFolder dir2;
  ScanContext vertical = MakeScan(dir2.str(), "Anno-21", {"山地"});
  vertical.subKeys = {"2"};
  EXPECT_EQ(RunReader(gml::GML8LayoutStr, t, vertical, path), "");
  std::vector<std::string> lines = ScratchLines(ScratchPath(dir2.str(), "1out"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[2], "12.5");
  EXPECT_EQ(lines[3], "注記2");
  EXPECT_EQ(lines[7], "注記6");
}

TEST(GML16Symbol, TypesElementsShieldsAndUnknownTypes) {
  TempFolder dir;
  TestJob t(dir.str());
  t->errorText = "前の報告";
  const std::string symbolPath = dir.file("FG-GML-533946-SymbolPt-20161001-0001.xml");
  Gml g;
  const Tags level = {{"orgGILvl", "25000"}};
  Point(g, "SymbolPt", kInside, level, {{"type", "小中学校"}});
  Point(g, "SymbolPt", kInside, level, {{"type", "町村役場・政令指定都市の区役所"}});
  Point(g, "SymbolPt", kInside, level, {{"type", "国道番号"}, {"nRNo", "16"}});
  Point(g, "SymbolPt", kInside, level, {{"type", "踏切"}});
  Point(g, "SymbolPt", kInside, level, {{"type", "滝"}});
  Point(g, "SymbolPt", kInside, level, {{"type", "滝"}});
  Point(g, "SymbolPt", kOutside, level, {{"type", "神社"}});
  WriteText(symbolPath, g.file());
  ScanContext scan = MakeScan(dir.str(), "SymbolPt-1", {""});
  EXPECT_EQ(RunReader(gml::GML16Symbol, t, scan, symbolPath), "前の報告GML16Symbol(" + symbolPath + ")の不明な記号: 滝")
      << "an unknown type is appended once, after the file's name; quiet types are not";
  std::vector<std::string> lines = ScratchLines(ScratchPath(dir.str(), "1out"));
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], std::to_string(SymbolEntryOf("小学校")));
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], std::to_string(SymbolEntryOf("町村役場")));
  EXPECT_EQ(lines[8], std::to_string(SymbolEntryOf("国道番号")));
  EXPECT_EQ(lines[11], "16");

  // Elements that name their type, in a Shift_JIS file.
  TempFolder dir2;
  TestJob t2(dir2.str());
  const std::string towerPath = dir2.file("FG-GML-533946-RTwr-20161001-0001.xml");
  Gml tower;
  Point(tower, "RTwr", kInside, level, {});
  WriteText(towerPath, Utf8ToCp932(tower.file("Shift_JIS")));
  ScanContext towers = MakeScan(dir2.str(), "RTwr-1", {""});
  EXPECT_EQ(RunReader(gml::GML16Symbol, t2, towers, towerPath), "");
  lines = ScratchLines(ScratchPath(dir2.str(), "1out"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::to_string(SymbolEntryOf("電波塔")));
}

TEST(GML16Symbol, TypeNormalisation) {
  const std::pair<const char*, const char*> rows[] = {
      {"田", "田園"}, {"中学校", "小学校"}, {"高等学校・中等教育学校", "高等学校"}, {"外国公館", "官公署"},
      {"史跡・名勝・天然記念物", "史跡"}, {"自然災害伝承碑", "記念碑"}, {"ガス田", "油田"},
      {"噴火口・噴気口", "噴火口"}, {"噴気口", "噴火口"}, {"港湾", "重要港"},
      {"砂礫地（領域不明瞭）", "砂礫地"}, {"市役所・東京都の区役所", "市役所"}, {"病院", "病院"},
  };
  for (const auto& [type, symbol] : rows) {
    TempFolder dir;
    TestJob t(dir.str());
    const std::string path = dir.file("FG-GML-533946-SymbolPt-20161001-0001.xml");
    Gml g;
    Point(g, "SymbolPt", kInside, {{"orgGILvl", "25000"}}, {{"type", type}});
    WriteText(path, g.file());
    ScanContext scan = MakeScan(dir.str(), "SymbolPt-1", {""});
    EXPECT_EQ(RunReader(gml::GML16Symbol, t, scan, path), "") << type;
    const std::vector<std::string> lines = ScratchLines(ScratchPath(dir.str(), "1out"));
    ASSERT_EQ(lines.size(), 4u) << type;
    EXPECT_EQ(lines[0], std::to_string(SymbolEntryOf(symbol))) << type;
  }
}

TEST(PointReaders, AbortBeforeTheCallAndAPositionThatIsNoNumber) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-ElevPt-20161001-0001.xml");
  Gml g;
  g.begin("ElevPt").line("<gml:pos>35.71 東経</gml:pos>").tag("alti", "3").end("ElevPt");
  WriteText(path, g.file());
  ScanContext scan = MakeScan(dir.str(), "ElevPt-1", {""});
  t->runFlag = false;
  EXPECT_EQ(RunReader(gml::GML2Elv, t, scan, path), "") << "an aborted job reads nothing";
  t->runFlag = true;
  for (gml::GmlReader reader : {gml::GML1Name, gml::GML2Elv, gml::GML4GCP, gml::GML8LayoutStr, gml::GML16Symbol}) {
    t->errorText.clear();
    ScanContext again = MakeScan(dir.str(), "ElevPt-1", {""});
    EXPECT_NE(RunReader(reader, t, again, path).find("(" + path + ")で異常\r\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace velkaro
