#include <gtest/gtest.h>

#include <cmath>

#include "gml_test_support.h"
#include "vector/gml_readers.h"
#include "vector/reader_request.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

struct PolygonRecord {
  std::string marker;  // "sep" or "mado"
  std::string name;
  std::vector<std::pair<double, double>> vertices;
};

std::vector<PolygonRecord> ReadPolygons(const std::string& path) {
  const std::vector<std::string> lines = ScratchLines(path);
  std::vector<PolygonRecord> records;
  for (size_t i = 0; i < lines.size();) {
    PolygonRecord r;
    r.marker = lines.at(i);
    r.name = lines.at(i + 1);
    const int n = std::stoi(lines.at(i + 2));
    i += 3;
    for (int k = 0; k < n; ++k, i += 2) r.vertices.emplace_back(std::stod(lines.at(i)), std::stod(lines.at(i + 1)));
    records.push_back(r);
  }
  return records;
}

// A closed square ring of the given side in metres, its south-west corner at
// (lat, lon), laid out in plane zone 9.
std::vector<LatLon> Square(JobContext& job, double lat, double lon, double side) {
  const PlaneXY origin = bltoxy(job.coords, lon, lat);
  const double offsets[5][2] = {{0, 0}, {side, 0}, {side, side}, {0, side}, {0, 0}};
  std::vector<LatLon> ring;
  for (const auto& o : offsets) {
    const GeoLatLon g = xytobl(job.coords, origin.y + o[0], origin.x + o[1]);
    ring.push_back({g.lat, g.lon});
  }
  ring.back() = ring.front();  // closed exactly, as the sources write rings
  return ring;
}

TEST(GmlAreaReaders, BuildingPerimeterThreshold) {
  struct Row {
    const char* name;
    const char* element;
    int bld;
    bool polygons;   // GML1024Hatch, else GML512HatchEdge
    int written;     // of the 2 m and the 3 m square
  };
  const Row rows[] = {
      {"BldA, threshold 10: only the 3 m square", "BldA", 10, true, 1},
      {"BldA, threshold 0: both", "BldA", 0, true, 2},
      {"BldA, threshold 13: the closing vertex adds nothing", "BldA", 13, true, 0},
      {"BldA, threshold 11", "BldA", 11, true, 1},
      {"BldL outlines, threshold 10", "BldL", 10, false, 1},
      {"BldA threshold does not apply to outlines", "BldA", 10, false, 2},
      {"water areas have no threshold", "WA", 10, true, 2},
  };
  for (const Row& row : rows) {
    TempFolder dir;
    TestJob t(dir.str());
    t->settings.bld = row.bld;
    const std::string element = row.element;
    const std::string path = dir.file("FG-GML-533946-" + element + "-20161001-0001.xml");
    WriteText(path, Gml()
                        .surface(element, {{"orgGILvl", "2500"}}, {Square(*t, 35.705, 139.755, 2.0)},
                                 {{"type", "普通建物"}})
                        .surface(element, {{"orgGILvl", "2500"}}, {Square(*t, 35.706, 139.756, 3.0)},
                                 {{"type", "普通建物"}})
                        .file());
    ScanContext scan = MakeScan(dir.str(), element + "-1", {"普通建物"});
    (row.polygons ? gml::GML1024Hatch : gml::GML512HatchEdge)(ReaderRequestOf(*t), path, scan);
    scan.closeOutputs();
    EXPECT_EQ(t->errorText, "") << row.name;
    const size_t written = row.polygons ? ReadPolygons(dir.file("1out.txt")).size()
                                        : ReadPolylines(dir.file("1out.txt")).lines.size();
    EXPECT_EQ(written, static_cast<size_t>(row.written)) << row.name;
  }
}

TEST(GmlAreaReaders, BuildingThresholdIsInMetresInTheLatLonSystem) {
  TempFolder dir;
  TestJob t(dir.str());
  const std::string path = dir.file("FG-GML-533946-BldA-20161001-0001.xml");
  WriteText(path, Gml()
                      .surface("BldA", {}, {Square(*t, 35.705, 139.755, 2.0)}, {{"type", "普通建物"}})
                      .surface("BldA", {}, {Square(*t, 35.706, 139.756, 3.0)}, {{"type", "普通建物"}})
                      .file());
  t->coords.latLonMode = true;  // plane coordinates are now degrees
  t->tile = {0, 0, 139.74, 139.78, 35.72, 35.70, 0, 0};
  t->settings.bld = 10;
  ScanContext scan = MakeScan(dir.str(), "BldA-1", {"普通建物"});
  gml::GML1024Hatch(ReaderRequestOf(*t), path, scan);
  scan.closeOutputs();
  const auto records = ReadPolygons(dir.file("1out.txt"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].vertices[0].first, 139.756, 1e-6);  // easting is the longitude
}

TEST(GmlAreaReaders, CourtyardsAreHolesOfTheSameFeature) {
  TempFolder dir;
  TestJob t(dir.str());
  t->constants.rankThreshold = 2500;
  const std::string path = dir.file("FG-GML-533946-WA-20161001-0001.xml");
  const auto outer = Square(*t, 35.705, 139.755, 60.0);
  const auto yard1 = Square(*t, 35.7051, 139.7551, 10.0);
  const auto yard2 = Square(*t, 35.7053, 139.7553, 10.0);
  WriteText(path, Gml()
                      .surface("WA", {{"orgGILvl", "2500"}}, {outer, yard1, yard2},
                               {{"type", "湖池"}, {"name", "弁天池"}})
                      .surface("WA", {{"orgGILvl", "1000"}}, {outer}, {{"type", "湖池"}})  // finer than the rank
                      .surface("WA", {{"orgGILvl", "2500"}}, {yard1}, {{"type", "湖池"}})  // name carries over
                      .file());
  {
    ScanContext scan = MakeScan(dir.str(), "WA-1", {"湖池"});
    gml::GML1024Hatch(ReaderRequestOf(*t), path, scan);
    scan.closeOutputs();
    EXPECT_EQ(t->errorText, "");
    const auto records = ReadPolygons(dir.file("1out.txt"));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].marker, "sep");
    EXPECT_EQ(records[1].marker, "mado");
    EXPECT_EQ(records[2].marker, "mado");
    EXPECT_EQ(records[3].marker, "sep");
    for (const auto& r : records) {
      EXPECT_EQ(r.name, "弁天池");
      EXPECT_EQ(r.vertices.size(), 5u);
    }
    Zone9 zone9;
    const auto [e, n] = zone9(yard2[2].lat, yard2[2].lon);
    EXPECT_NEAR(records[2].vertices[2].first, e, 0.01);
    EXPECT_NEAR(records[2].vertices[2].second, n, 0.01);
  }
  {
    ScanContext scan = MakeScan(dir.str(), "WA-1", {"湖池"});
    gml::GML512HatchEdge(ReaderRequestOf(*t), path, scan);
    scan.closeOutputs();
    const Polylines outlines = ReadPolylines(dir.file("1out.txt"));
    ASSERT_EQ(outlines.lines.size(), 4u);
    EXPECT_EQ(outlines.lines[0].front(), outlines.lines[0].back());  // drawn closed
  }
}

TEST(GmlAreaReaders, RealBuildingsLandWhereTheirCoordinatesMap) {
  const std::string sample = std::string(VELKARO_SAMPLES_DIR) + "/fgd/knt5-jpgis-convert/input.xml";
  TempFolder dir;
  TestJob t(dir.str(), 35.66, 139.75, 35.74, 139.83);  // the sample spans 35.668-35.731 N
  ScanContext scan = MakeScan(dir.str(), "BldA-1", {"普通建物", "堅ろう建物", "普通無壁舎", "堅ろう無壁舎"});
  gml::GML1024Hatch(ReaderRequestOf(*t), sample, scan);
  scan.closeOutputs();
  EXPECT_EQ(t->errorText, "");
  const std::vector<size_t> expectedFeatures = {2, 3, 1, 1};
  size_t holes = 0;
  for (size_t k = 0; k < 4; ++k) {
    const auto records = ReadPolygons(dir.file(std::to_string(k + 1) + "out.txt"));
    size_t features = 0;
    for (const auto& r : records) (r.marker == "sep" ? features : holes)++;
    EXPECT_EQ(features, expectedFeatures[k]) << k;
  }
  EXPECT_EQ(holes, 14u);

  // The first vertex of the first feature in the file (a 堅ろう建物).
  const auto solid = ReadPolygons(dir.file("2out.txt"));
  ASSERT_FALSE(solid.empty());
  const auto [e, n] = Zone9()(35.710733556, 139.764841861);
  EXPECT_NEAR(solid[0].vertices[0].first, e, 0.005);
  EXPECT_NEAR(solid[0].vertices[0].second, n, 0.005);

  // Outlines: one polyline per ring.
  ScanContext edges = MakeScan(dir.str(), "BldA-1", {""});
  gml::GML512HatchEdge(ReaderRequestOf(*t), sample, edges);
  edges.closeOutputs();
  EXPECT_EQ(ReadPolylines(dir.file("1out.txt")).lines.size(), 7u + 14u);

  // A tile elsewhere gets nothing.
  TestJob away(dir.str(), 35.60, 139.60, 35.62, 139.62);
  ScanContext none = MakeScan(dir.str(), "BldA-1", {""});
  gml::GML1024Hatch(ReaderRequestOf(*away), sample, none);
  none.closeOutputs();
  EXPECT_EQ(away->errorText, "");
  EXPECT_EQ(ReadText(dir.file("1out.txt")), "");
}

}  // namespace
}  // namespace velkaro
