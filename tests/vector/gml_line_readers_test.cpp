#include <gtest/gtest.h>

#include <cmath>

#include "gml_test_support.h"
#include "platform/text_encoding.h"
#include "vector/gml_mesh_cut.h"
#include "vector/gml_readers.h"
#include "vector/reader_request.h"
#include "vector/gml_road_width.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;
using Tags = std::vector<std::pair<std::string, std::string>>;

// Inside the test tile, away from mesh boundaries (35.70-35.72, 139.74-139.78
// lies inside the secondary mesh 533946: 35.6667-35.75, 139.75-139.875 for
// longitudes above 139.75).
const std::vector<LatLon> kThree = {{35.705, 139.755}, {35.706, 139.756}, {35.707, 139.758}};

std::string RunReader(gml::GmlReader reader, TestJob& t, ScanContext& scan, const std::string& path) {
  reader(ReaderRequestOf(*t), path, scan);
  scan.closeOutputs();
  return t->errorText;
}

TEST(MeshCut, PiecesBetweenBoundaryVertices) {
  // Vertex k lies on a boundary when its flag is set; pieces are zero-based.
  struct Row {
    const char* name;
    std::vector<bool> onBoundary;
    std::vector<std::pair<int, int>> pieces;
  };
  const Row rows[] = {
      {"three inner vertices", {0, 0, 0}, {{0, 2}}},
      {"two inner vertices", {0, 0}, {{0, 1}}},
      {"p3 and p4 on a boundary", {0, 0, 1, 1, 0, 0}, {{0, 2}, {3, 5}}},
      {"p3 alone on a boundary", {0, 0, 1, 0, 0}, {{0, 2}, {2, 4}}},
      {"both ends on a boundary", {1, 0, 0, 1}, {{0, 3}}},
      {"along the boundary only", {1, 1, 1}, {}},
      {"two boundary vertices", {1, 1}, {}},
      {"leaving the boundary", {1, 1, 0}, {{1, 2}}},
      {"single vertex", {0}, {}},
  };
  for (const Row& row : rows) {
    std::vector<CellPair> v;
    for (size_t i = 0; i < row.onBoundary.size(); ++i) {
      // 139.75 is a mesh edge (x8 = 1118); 139.7555 is not.
      v.push_back(row.onBoundary[i] ? CellPair{139.75, 35.7001 + 0.001 * i}
                                    : CellPair{139.7555 + 0.001 * i, 35.7001 + 0.001 * i});
    }
    std::vector<std::pair<int, int>> pieces;
    gml::ForEachMeshPiece(v.data(), static_cast<int32_t>(v.size()), [&](int32_t a, int32_t b) {
      pieces.emplace_back(a, b);
      return true;
    });
    EXPECT_EQ(pieces, row.pieces) << row.name;
  }
  EXPECT_TRUE(gml::OnSecondaryMeshBoundary(139.875, 35.7001));
  EXPECT_TRUE(gml::OnSecondaryMeshBoundary(139.7601, 35.75));
  EXPECT_TRUE(gml::OnSecondaryMeshBoundary(139.7601, 35.6666666667));
  EXPECT_FALSE(gml::OnSecondaryMeshBoundary(139.7601, 35.7001));
}

TEST(GML32Poly, WritesVerticesWhereTheyMapAndCutsAtMeshEdges) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-WL-20161001-0001.xml");
  const std::vector<LatLon> sixWithEdge = {{35.705, 139.755}, {35.706, 139.7525}, {35.707, 139.75},
                                           {35.708, 139.75},  {35.709, 139.7525}, {35.710, 139.755}};
  WriteText(path, Gml()
                      .curve("WL", {{"orgGILvl", "2500"}}, kThree, {{"type", "水涯線（河川）"}})
                      .curve("WL", {{"orgGILvl", "2500"}}, sixWithEdge, {{"type", "一条河川"}})
                      .curve("WL", {{"orgGILvl", "2500"}}, {{35.705, 139.755}, {35.706, 139.756}},
                             {{"type", "一条河川"}})
                      .file());
  ScanContext scan = MakeScan(dir.str(), "WL-1", {"水涯線（河川）", "一条河川"});
  EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "");

  Zone9 zone9;
  const Polylines river = ReadPolylines(dir.file("1out.txt"));
  ASSERT_EQ(river.lines.size(), 1u);
  ASSERT_EQ(river.lines[0].size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const auto [e, n] = zone9(kThree[i].lat, kThree[i].lon);
    EXPECT_NEAR(river.lines[0][i].first, e, 0.01) << i;
    EXPECT_NEAR(river.lines[0][i].second, n, 0.01) << i;
  }
  // p1 p2 p3 and p4 p5 p6; the stretch p3-p4 along the edge is left out; the
  // straight two-vertex line is kept.
  const Polylines brook = ReadPolylines(dir.file("2out.txt"));
  ASSERT_EQ(brook.lines.size(), 3u);
  EXPECT_EQ(brook.lines[0].size(), 3u);
  EXPECT_EQ(brook.lines[1].size(), 3u);
  EXPECT_EQ(brook.lines[2].size(), 2u);
  EXPECT_NEAR(brook.lines[1][0].first, zone9(35.708, 139.75).first, 0.01);
}

TEST(GML32Poly, RankCarriesOverAndTypeRoutesCaseInsensitively) {
  TempFolder dir;
  TestJob t(dir.str());
  t->constants.rankThreshold = 2500;
  const std::string path = dir.file("FG-GML-533946-AdmBdry-20161001-0001.xml");
  WriteText(path, Gml()
                      .curve("AdmBdry", {}, kThree, {{"type", "Town"}})        // level 25000 at start
                      .curve("AdmBdry", {{"orgGILvl", "1000"}}, kThree, {{"type", "town"}})
                      .curve("AdmBdry", {}, kThree, {{"type", "TOWN"}})        // still 1000
                      .curve("AdmBdry", {{"orgGILvl", "KJ10"}}, kThree, {{"type", "town"}})
                      .curve("AdmBdry", {{"orgGILvl", "2500"}}, kThree, {{"type", "其他"}})
                      .file());
  ScanContext scan = MakeScan(dir.str(), "AdmBdry", {"town"});
  EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 1u);

  // With an empty first key every feature goes to the first output.
  ScanContext any = MakeScan(dir.str(), "AdmBdry", {""});
  t->constants.rankThreshold = 0;
  EXPECT_EQ(RunReader(gml::GML32Poly, t, any, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 5u);
}

TEST(GML32Poly, FeaturesOutsideTheTileWriteNothing) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-WL-20161001-0001.xml");
  const std::vector<LatLon> north = {{35.73, 139.755}, {35.731, 139.756}, {35.732, 139.757}};
  const std::vector<LatLon> east = {{35.705, 139.79}, {35.706, 139.791}, {35.707, 139.792}};
  const std::vector<LatLon> crossing = {{35.73, 139.755}, {35.71, 139.756}, {35.69, 139.757}};
  WriteText(path, Gml()
                      .curve("WL", {}, north, {{"type", "a"}})
                      .curve("WL", {}, east, {{"type", "a"}})
                      .curve("WL", {}, crossing, {{"type", "a"}})
                      .file());
  ScanContext scan = MakeScan(dir.str(), "WL", {"a"});
  EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "");
  const Polylines written = ReadPolylines(dir.file("1out.txt"));
  ASSERT_EQ(written.lines.size(), 1u);
  EXPECT_NEAR(written.lines[0][1].second, Zone9()(35.71, 139.756).second, 0.01);
}

TEST(GML32Poly, CullingCountsEveryCornerOfTheFeaturesBox) {
  // East of the central meridian the south-east corner of a box lies further
  // east than the north-east one; a tile just west of that corner still
  // holds the feature's south-east vertex.
  TempFolder dir;
  TestJob t(dir.str());
  const std::vector<LatLon> diagonal = {{35.70, 139.99}, {35.75, 139.965}, {35.80, 139.94}};
  const PlaneXY se = bltoxy(t->coords, 139.99, 35.70);
  const PlaneXY ne = bltoxy(t->coords, 139.99, 35.80);
  ASSERT_GT(se.y - ne.y, 15.0);
  t->tile.west = se.y - 5.0;
  t->tile.east = se.y + 1000.0;
  t->tile.south = se.x - 1000.0;
  t->tile.north = ne.x;
  const std::string path = dir.file("FG-GML-533957-WL-20161001-0001.xml");
  WriteText(path, Gml().curve("WL", {}, diagonal, {{"type", "a"}}).file());
  ScanContext scan = MakeScan(dir.str(), "WL", {"a"});
  EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 1u);
}

TEST(GML64PolyRoad, WidthsFromClassAndMeasuredWidth) {
  // Unit metres, 2 metres per pixel unless stated.
  struct Row {
    const char* name;
    Tags tags;
    double unitsPerPixel;
    double threshold;
    std::vector<int> widths;
  };
  const Row rows[] = {
      {"class 3m-5.5m", {{"rnkWidth", "3m-5.5m未満"}}, 2.0, 0, {3}},
      {"class 19.5m and more", {{"rnkWidth", "19.5m以上"}}, 2.0, 0, {12}},
      {"unknown class keeps the file's default", {{"rnkWidth", "不明"}}, 2.0, 0, {2}},
      {"measured width", {{"Width", "7.5"}}, 2.0, 0, {4}},
      {"whole pixels are not raised", {{"Width", "8"}}, 2.0, 0, {4}},
      {"threshold drops narrower roads", {{"rnkWidth", "3m-5.5m未満"}}, 2.0, 5.5, {}},
      {"threshold keeps wider roads", {{"rnkWidth", "5.5m-13m未満"}}, 2.0, 5.5, {5}},
      // A damaged width past every pixel count is the widest there is.
      {"a width past any pixel count", {{"Width", "39576889199."}}, 2.0, 0, {2147483647}},
  };
  for (const Row& row : rows) {
    TempFolder dir;
    TestJob t(dir.str());
    t->image.unitsPerPixel = row.unitsPerPixel;
    t->roadWidthThreshold = row.threshold;
    const std::string path = dir.file("FG-GML-533946-RdCL-20161001-0001.xml");
    Tags before = {{"rdCtg", "国道"}, {"state", "通常部"}};
    before.insert(before.end(), row.tags.begin(), row.tags.end());
    before.emplace_back("orgGILvl", "2500");
    WriteText(path, Gml().curve("RdCL", before, kThree, {}).file());
    ScanContext scan = MakeScan(dir.str(), "RdCL-1", {"国道"});
    EXPECT_EQ(RunReader(gml::GML64PolyRoad, t, scan, path), "") << row.name;
    const Polylines roads = ReadPolylines(dir.file("1out.txt"));
    EXPECT_EQ(roads.widths, row.widths) << row.name;
    EXPECT_EQ(roads.lines.size(), row.widths.size()) << row.name;
  }
}

TEST(GML64PolyRoad, WidthInTheLatLonSystem) {
  TempFolder dir;
  TestJob t(dir.str());
  t->coords.latLonMode = true;
  t->tile = {0, 0, 139.74, 139.78, 35.72, 35.70, 0, 0};
  t->image.unitsPerPixel = 1.0 / 129600.0;  // about one metre per pixel in the formula
  const std::string path = dir.file("FG-GML-533946-RdCL-20161001-0001.xml");
  WriteText(path, Gml().curve("RdCL", {{"rdCtg", "国道"}, {"Width", "6.5"}}, kThree, {}).file());
  ScanContext scan = MakeScan(dir.str(), "RdCL-1", {"国道"});
  EXPECT_EQ(RunReader(gml::GML64PolyRoad, t, scan, path), "");
  const Polylines roads = ReadPolylines(dir.file("1out.txt"));
  EXPECT_EQ(roads.widths, std::vector<int>{7});
  ASSERT_EQ(roads.lines.size(), 1u);
  EXPECT_DOUBLE_EQ(roads.lines[0][0].first, 139.755);  // easting is the longitude
  EXPECT_DOUBLE_EQ(roads.lines[0][0].second, 35.705);
}

TEST(GmlLineReaders, TwoBlankVertexLine) {
  // Readers that remove all leading blanks read it; those that remove only the
  // first one fail on it and say which file.
  TempFolder dir;
  const std::string path = dir.file("FG-GML-533946-RdCL-20161001-0001.xml");
  Gml gml;
  gml.begin("RdCL").tag("rdCtg", "国道").tag("type", "国道").line("<gml:posList>");
  gml.line("  35.705 139.755").line("  35.706 139.756").line("</gml:posList>").end("RdCL");
  WriteText(path, gml.file());
  {
    TestJob t(dir.str());
    ScanContext scan = MakeScan(dir.str(), "RdCL-1", {"国道"});
    EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "");
    EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.at(0).size(), 2u);
  }
  {
    TestJob t(dir.str());
    ScanContext scan = MakeScan(dir.str(), "RdCL-1", {"国道"});
    EXPECT_EQ(RunReader(gml::GML64PolyRoad, t, scan, path), "GML64PolyRoad(" + path + ")で異常\r\n");
    EXPECT_EQ(ReadText(dir.file("1out.txt")), "");
  }
}

TEST(GML128PolyRail, RoutesByTypeAndTrackOrUnderground) {
  TempFolder dir;
  TestJob t(dir.str());
  t->constants.rankThreshold = 5000;
  const std::string path = dir.file("FG-GML-533946-RailCL-20161001-0001.xml");
  WriteText(path,
            Gml()
                .curve("RailCL", {{"orgGILvl", "2500"}}, kThree,
                       {{"type", "普通鉄道"}, {"snglDbl", "単線"}})  // finer than the rank
                .curve("RailCL", {}, kThree, {{"type", "普通鉄道"}, {"snglDbl", "単線"}})
                .curve("RailCL", {}, kThree,
                       {{"type", "普通鉄道"}, {"snglDbl", "複線以上"}, {"railState", "地下"}})
                // the railway state before the track: still underground
                .curve("RailCL", {}, kThree, {{"type", "普通鉄道"}, {"railState", "地下"}, {"snglDbl", "単線"}})
                // the track does not carry over: "普通鉄道" alone matches nothing
                .curve("RailCL", {}, kThree, {{"type", "普通鉄道"}})
                .file());
  ScanContext scan = MakeScan(dir.str(), "RailCL-1", {"普通鉄道単線", "普通鉄道地下"});
  EXPECT_EQ(RunReader(gml::GML128PolyRail, t, scan, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 1u);
  EXPECT_EQ(ReadPolylines(dir.file("2out.txt")).lines.size(), 2u);
}

TEST(GML256Poly, VisibilityAndTunnelRoads) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-RdEdg-20161001-0001.xml");
  WriteText(path, Gml()
                      .curve("RdEdg", {{"vis", "非表示"}}, kThree, {{"type", "トンネル内の道路"}})
                      .curve("RdEdg", {{"vis", "非表示"}}, kThree, {{"type", "真幅道路"}})
                      .curve("RdEdg", {}, kThree, {{"type", "真幅道路"}})  // no vis: visible
                      .curve("RdEdg", {{"vis", "表示"}}, kThree, {{"type", "真幅道路"}})
                      .file());
  ScanContext scan = MakeScan(dir.str(), "RdEdg-1", {"真幅道路", "トンネル内の道路"});
  EXPECT_EQ(RunReader(gml::GML256Poly, t, scan, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 2u);
  EXPECT_EQ(ReadPolylines(dir.file("2out.txt")).lines.size(), 1u);
}

TEST(GmlLineReaders, ShiftJisSourceIsReadAsUtf8) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-RdEdg-20101001-0001.xml");
  const std::string utf8 =
      Gml().curve("RdEdg", {}, kThree, {{"type", "トンネル内の道路"}}).file("Shift_JIS");
  WriteText(path, Utf8ToCp932(utf8));
  ScanContext scan = MakeScan(dir.str(), "RdEdg-1", {"トンネル内の道路"});
  EXPECT_EQ(RunReader(gml::GML256Poly, t, scan, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 1u);
}

TEST(GmlLineReaders, BrokenFileKeepsEarlierRecordsAndNamesTheFile) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-WL-20161001-0001.xml");
  Gml gml;
  gml.curve("WL", {}, kThree, {{"type", "a"}});
  gml.begin("WL").line("<gml:posList>").line("35.70x 139.75").line("</gml:posList>").end("WL");
  gml.curve("WL", {}, kThree, {{"type", "a"}});
  WriteText(path, gml.file());
  ScanContext scan = MakeScan(dir.str(), "WL", {"a"});
  EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "GML32Poly(" + path + ")で異常\r\n");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 1u);

  // A missing file is the reader's failure too.
  ScanContext again = MakeScan(dir.str(), "WL", {"a"});
  EXPECT_EQ(RunReader(gml::GML128PolyRail, t, again, dir.file("gone.xml")),
            "GML128PolyRail(" + dir.file("gone.xml") + ")で異常\r\n");
}

TEST(GmlLineReaders, ProgressEveryTenThousandVertexLists) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-WL-20161001-0001.xml");
  Gml gml;
  for (int i = 0; i < 25000; ++i) gml.curve("WL", {}, {{35.705, 139.755}, {35.706, 139.756}}, {});
  WriteText(path, gml.file());
  ScanContext scan = MakeScan(dir.str(), "WL", {""});
  EXPECT_EQ(RunReader(gml::GML32Poly, t, scan, path), "");
  EXPECT_EQ(t.host.labelsOf(LabelRole::Detail), (std::vector<std::string>{"10000", "20000"}));
  EXPECT_EQ(t.host.pumps, 2);

  // An abort seen at the first progress point ends the file there.
  TestJob aborted(dir.str());
  aborted.host.abortAtPump = 1;
  ScanContext scan2 = MakeScan(dir.str(), "WL", {""});
  EXPECT_EQ(RunReader(gml::GML32Poly, aborted, scan2, path), "");
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 9999u);

  // A reader called after the abort reads nothing.
  ScanContext scan3 = MakeScan(dir.str(), "WL", {""});
  EXPECT_EQ(RunReader(gml::GML32Poly, aborted, scan3, path), "");
  EXPECT_EQ(ReadText(dir.file("1out.txt")), "");
}

TEST(GmlLineReaders, FeatureLargerThanThePoolEndsTheFileWithTheLimitMessage) {
  TempFolder dir;
  const std::string path = dir.file("FG-GML-533946-WL-20161001-0001.xml");
  {
    std::string text = Gml().file();
    const size_t tail = text.rfind("</Dataset>");
    std::string feature = "<WL gml:id=\"big\">\r\n<type>a</type>\r\n<gml:posList>\r\n";
    feature.reserve(feature.size() + size_t{CellBuffer::kStep} * 22);
    for (int32_t i = 0; i < CellBuffer::kStep; ++i) feature += "35.705 139.755\r\n";
    feature += "</gml:posList>\r\n</WL>\r\n";
    text.insert(tail, feature);
    WriteText(path, text);
  }
  const std::pair<gml::GmlReader, std::string> cases[] = {
      {gml::GML32Poly, " でxylimitを超えました"},
      {gml::GML256Poly, " で占有メモリ限界に達しました、占有メモリー調整が必要です"}};
  for (const auto& [reader, message] : cases) {
    TestJob t(dir.str());
    ScanContext scan = MakeScan(dir.str(), "WL", {"a"});
    EXPECT_EQ(RunReader(reader, t, scan, path), "テスト群" + message);
    EXPECT_EQ(ReadText(dir.file("1out.txt")), "");
  }
}

}  // namespace
}  // namespace velkaro
