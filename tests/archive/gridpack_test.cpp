#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "../platform/write_failures.h"
#include "archive/zip_expand.h"
#include "archive_test_support.h"
#include "gridpack/gridpack.h"
#include "gridpack/mosaic_grid.h"
#include "platform/atomic_file.h"
#include "platform/text_encoding.h"

using namespace velkaro;
using namespace velkaro::testing;
namespace fs = std::filesystem;

namespace {

// A DEM XML text in the GSI layout (CRLF, declaration first).
std::string DemXml(double latS, double lonW, double latN, double lonE, int cols, int rows,
                   const std::vector<std::string>& tuples, int startX = 0, int startY = 0,
                   const std::string& type = "5mメッシュ（標高）", const std::string& encoding = "UTF-8") {
  char buf[512];
  std::string s = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n\r\n<Dataset>\r\n\t<DEM gml:id=\"DEM001\">\r\n";
  s += "\t\t<type>" + type + "</type>\r\n";
  std::snprintf(buf, sizeof buf,
                "\t\t\t\t\t<gml:lowerCorner>%.9f %.9f</gml:lowerCorner>\r\n"
                "\t\t\t\t\t<gml:upperCorner>%.9f %.9f</gml:upperCorner>\r\n"
                "\t\t\t\t\t\t\t<gml:low>0 0</gml:low>\r\n\t\t\t\t\t\t\t<gml:high>%d %d</gml:high>\r\n",
                latS, lonW, latN, lonE, cols - 1, rows - 1);
  s += buf;
  s += "\t\t\t\t\t<gml:QuantityList uom=\"DEM構成点\"></gml:QuantityList>\r\n\r\n<gml:tupleList>\r\n";
  for (const std::string& t : tuples) s += t + "\r\n";
  std::snprintf(buf, sizeof buf,
                "</gml:tupleList>\r\n\r\n\t\t\t\t\t<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>\r\n"
                "\t\t\t\t\t<gml:startPoint>%d %d</gml:startPoint>\r\n\t</DEM>\r\n</Dataset>\r\n",
                startX, startY);
  return s + buf;
}

std::vector<std::string> Constant(int n, const char* tuple) { return std::vector<std::string>(n, tuple); }

// The third mesh 5238-74-00: 35.25-35.2583 N, 138.5-138.5125 E.
constexpr double kS = 35.25, kW = 138.5, kN = 35.258333333, kE = 138.5125;

struct Raster {
  std::unique_ptr<GDALDataset> ds;
  double gt[6] = {};
  int epsg = 0;
  double nodata = 0;
  bool hasNodata = false;

  explicit Raster(const std::string& path) {
    GDALAllRegister();
    ds.reset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds) return;
    ds->GetGeoTransform(gt);
    if (const OGRSpatialReference* srs = ds->GetSpatialRef()) {
      const char* code = srs->GetAuthorityCode(nullptr);
      if (code) epsg = std::atoi(code);
    }
    int has = 0;
    nodata = ds->GetRasterBand(1)->GetNoDataValue(&has);
    hasNodata = has != 0;
  }
  int cols() const { return ds->GetRasterXSize(); }
  int rows() const { return ds->GetRasterYSize(); }
  float at(int row, int col) const {
    float v = 0;
    EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, col, row, 1, 1, &v, 1, 1, GDT_Float32, 0, 0), CE_None);
    return v;
  }
  std::vector<float> all() const {
    std::vector<float> v(static_cast<size_t>(cols()) * rows());
    EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, cols(), rows(), v.data(), cols(), rows(),
                                             GDT_Float32, 0, 0),
              CE_None);
    return v;
  }
};

GridpackSummary Pack(const std::string& folder, const std::string& out, GridpackOptions options = {}) {
  options.folder = folder;
  options.outPath = out;
  GridpackObserver quiet;
  return RunGridpack(options, quiet);
}

// The tuples of a DEM XML file read plainly: (grid index, text after the comma).
struct Tuple {
  long index;
  std::string value;
};
std::vector<Tuple> PlainTuples(const std::string& text, long& width, long& height) {
  std::vector<Tuple> out;
  auto pair = [&](const char* tag, long& a, long& b) {
    const size_t at = text.find(tag) + std::strlen(tag);
    std::sscanf(text.c_str() + at, "%ld %ld", &a, &b);
  };
  long hx, hy, sx, sy;
  pair("<gml:high>", hx, hy);
  pair("<gml:startPoint>", sx, sy);
  width = hx + 1;
  height = hy + 1;
  size_t pos = text.find('\n', text.find("<gml:tupleList>")) + 1;
  const size_t end = text.find("</gml:tupleList>");
  long index = sy * width + sx;
  while (pos < end) {
    const size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl - pos);
    pos = nl + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    out.push_back({index++, line.substr(line.find(',') + 1)});
  }
  return out;
}

}  // namespace

TEST(MosaicGrid, CornersSnapToTheMeshLattice) {
  struct Row {
    double in, out;
  };
  const Row rows[] = {{35.258333333, 35 + 31.0 / 120}, {42.833333333, 42 + 5.0 / 6}, {138.5125, 138.5125},
                      {143, 143}, {35.2581, 35.2581}};   // the last is off the lattice: kept
  for (const Row& r : rows) EXPECT_DOUBLE_EQ(SnapMeshCorner(r.in), r.out) << r.in;
}

TEST(MosaicGrid, TheGridIsTheUnionInTheFinestCells) {
  const MeshExtent fine{kW, kS, kE, kN, 225, 150};                        // 0.2"
  const MeshExtent east{kE, kS, kE + 0.0125, kN, 225, 150};
  const MeshExtent coarse{138.5, 35.25, 138.625, 35 + 1.0 / 3, 1125, 750};   // 0.4", 2nd mesh
  RasterGrid g = GeographicMosaicGrid({fine, east}, 0);
  EXPECT_DOUBLE_EQ(g.west, 138.5);
  EXPECT_DOUBLE_EQ(g.north, 35 + 31.0 / 120);
  EXPECT_EQ(g.cols, 450);
  EXPECT_EQ(g.rows, 150);
  g = GeographicMosaicGrid({coarse, fine}, 0);
  EXPECT_DOUBLE_EQ(g.cellX, 0.2 / 3600);
  EXPECT_EQ(g.cols, 2250);
  EXPECT_EQ(g.rows, 1500);
  g = GeographicMosaicGrid({fine}, 1.0 / 3600);   // 1": 45 x 30 cells
  EXPECT_EQ(g.cols, 45);
  EXPECT_EQ(g.rows, 30);
  g = GeographicMosaicGrid({fine}, 0.7 / 3600);   // not a divisor: whole cells past the edge
  EXPECT_EQ(g.cols, 65);
  EXPECT_EQ(g.rows, 43);

  long col = -1, row = -1;
  g = GeographicMosaicGrid({fine, east, coarse}, 0);
  EXPECT_TRUE(AlignedPlacement(east, g, col, row));
  EXPECT_EQ(col, 225);
  EXPECT_EQ(row, 1350);   // the coarse 2nd mesh reaches 4.5' further north
  EXPECT_FALSE(AlignedPlacement(coarse, g, col, row));
}

TEST(MosaicGrid, DrawingOrderPutsTheBetterSourceLast) {
  struct Row {
    DemRank a, b;
    bool aFirst;
  };
  const double c10 = 0.4 / 3600, c5 = 0.2 / 3600, c1 = 0.04 / 3600;
  const Row rows[] = {
      {{c10, 'B'}, {c5, 'A'}, true},   // coarse before fine
      {{c5, 'A'}, {c1, 'A'}, true},
      {{c5, 'B'}, {c5, 'A'}, true},    // B before A
      {{c5, 'C'}, {c5, 'B'}, true},
      {{c5, 'A'}, {c5, 'A'}, false},
      {{c5, 'A'}, {c10, 'B'}, false},
  };
  for (const Row& r : rows) EXPECT_EQ(DrawsBefore(r.a, r.b), r.aFirst) << r.a.cell << r.a.product;
  EXPECT_EQ(DemProductLetter("FG-GML-5238-74-00-DEM5A-20161001.xml"), 'A');
  EXPECT_EQ(DemProductLetter("FG-GML-5339-25-dem10b-20161001.xml"), 'B');
  EXPECT_EQ(DemProductLetter("FG-GML-4530-77-05-DEM1A-20260522.xml"), 'A');
  EXPECT_EQ(DemProductLetter("elevation.xml"), ' ');
}

TEST(Gridpack, RealMeshesGiveExactCornersEpsg6668NodataAndTheXmlValues) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir dir;
  const char* files[] = {"FG-GML-6443-20-01-DEM5A-20190130.xml", "FG-GML-6443-20-12-DEM5A-20161001.xml",
                         "FG-GML-6443-20-80-DEM5A-20210115.xml", "FG-GML-6443-20-88-DEM5A-20161001.xml"};
  for (const char* f : files) CopyInto(dir, DemSample(f), std::string("in/") + f);
  const GridpackSummary s = Pack(dir.file("in"), dir.file("out.tif"));
  ASSERT_TRUE(s.written) << s.error;
  EXPECT_TRUE(s.problems.empty());
  EXPECT_EQ(s.meshes, 4);

  const Raster r(dir.file("out.tif"));
  ASSERT_TRUE(r.ds);
  EXPECT_EQ(r.epsg, 6668);
  ASSERT_TRUE(r.hasNodata);
  EXPECT_EQ(r.nodata, -9999);
  // Meshes 00 (SW corner 42.8333 N 143.0 E) to 88: 8 x 8 third meshes.
  EXPECT_NEAR(r.gt[0], 143.0, 1e-12);
  EXPECT_NEAR(r.gt[3], 42 + 54.5 / 60, 1e-12);
  EXPECT_NEAR(r.gt[1], 0.2 / 3600, 1e-15);
  EXPECT_NEAR(r.gt[5], -0.2 / 3600, 1e-15);
  EXPECT_EQ(r.cols(), 225 * 9);
  EXPECT_EQ(r.rows(), 150 * 9);

  int checked = 0, nodata = 0;
  for (const char* f : files) {
    const std::string text = TempDir::read(DemSample(f));
    // Third-mesh digits rr of "6443-20-rr": row r (north), column c (east).
    const std::string name = f;
    const int meshRow = name[15] - '0', meshCol = name[16] - '0';
    const int row0 = (8 - meshRow) * 150, col0 = meshCol * 225;
    long w, h;
    const std::vector<Tuple> tuples = PlainTuples(text, w, h);
    ASSERT_EQ(w, 225);
    for (size_t i = 0; i < tuples.size(); i += 97) {
      const Tuple& t = tuples[i];
      const float got = r.at(row0 + static_cast<int>(t.index / w), col0 + static_cast<int>(t.index % w));
      if (t.value.rfind("-9999", 0) == 0) {
        EXPECT_EQ(got, -9999.0f) << f << " tuple " << i;
        ++nodata;
      } else {
        EXPECT_FLOAT_EQ(got, std::stof(t.value)) << f << " tuple " << i;
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
  EXPECT_GT(nodata, 0);
  // A mesh with no file stays nodata.
  EXPECT_EQ(r.at(150 * 4, 225 * 4), -9999.0f);
}

TEST(Gridpack, ADownloadZipGivesTheSameRasterAsItsExpandedMembers) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir zipped, expanded;
  CopyInto(zipped, DemSample("FG-GML-3624-30-DEM5B.zip"), "in/FG-GML-3624-30-DEM5B.zip");
  CopyInto(expanded, DemSample("FG-GML-3624-30-DEM5B.zip"), "in/FG-GML-3624-30-DEM5B.zip");
  ASSERT_FALSE(ExpandZip(expanded.file("in/FG-GML-3624-30-DEM5B.zip"), {}).failed());
  fs::remove(expanded.file("in/FG-GML-3624-30-DEM5B.zip"));

  const GridpackSummary a = Pack(zipped.file("in"), zipped.file("out.tif"));
  const GridpackSummary b = Pack(expanded.file("in"), expanded.file("out.tif"));
  ASSERT_TRUE(a.written) << a.error;
  ASSERT_TRUE(b.written) << b.error;
  EXPECT_EQ(a.meshes, 8);
  EXPECT_EQ(b.meshes, 8);
  const Raster ra(zipped.file("out.tif")), rb(expanded.file("out.tif"));
  ASSERT_EQ(ra.cols(), rb.cols());
  ASSERT_EQ(ra.rows(), rb.rows());
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ra.gt[i], rb.gt[i]);
  EXPECT_TRUE(ra.all() == rb.all());
  // The one tuple of mesh -98 ("地表面,0.00" at 1 94) is in place: mesh row 9,
  // column 8 of 3624-30; the mosaic spans meshes 76..98.
  EXPECT_EQ(ra.at((9 - 9) * 150 + 94, (8 - 6) * 225 + 1), 0.0f);
}

TEST(Gridpack, TheBetterSourceWinsAndTheOthersFillItsHoles) {
  TempDir dir;
  // 9 x 6 cells of 5" over the mesh; the coarse one 3 x 2 cells of 15".
  const int n = 54;
  std::vector<std::string> a = Constant(n, "地表面,10.00"), b = Constant(n, "地表面,20.00");
  a[0] = "データなし,-9999.";   // a hole in A at the top-left cell
  a[1] = "データなし,-9999.";
  b[0] = "データなし,-9999.";   // and in B at the very first
  dir.write("in/FG-GML-5238-74-00-DEM5B-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, b));
  dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, Constant(n, "地表面,99.00")));
  dir.write("in/z/FG-GML-5238-74-00-DEM5A-20190101.xml", DemXml(kS, kW, kN, kE, 9, 6, a));   // newer A
  dir.write("in/FG-GML-5238-74-DEM10B-20161001.xml",
            DemXml(kS, kW, kN, kE, 3, 2, Constant(6, "地表面,100.00"), 0, 0, "10mメッシュ（標高）"));
  const GridpackSummary s = Pack(dir.file("in"), dir.file("out.tif"));
  ASSERT_TRUE(s.written) << s.error;
  EXPECT_EQ(s.superseded, 1);   // the 2016 A
  const Raster r(dir.file("out.tif"));
  ASSERT_EQ(r.cols(), 9);
  EXPECT_EQ(r.at(0, 0), 100.0f);   // neither A nor B: the coarse mesh
  EXPECT_EQ(r.at(0, 1), 20.0f);    // A's hole filled from B
  EXPECT_EQ(r.at(0, 2), 10.0f);    // A wins
  EXPECT_EQ(r.at(5, 8), 10.0f);
}

TEST(Gridpack, SeaSurfaceCellsBecomeZeroOnlyWhenAsked) {
  TempDir dir;
  std::vector<std::string> t = Constant(54, "地表面,5.50");
  t[3] = "海水面,-9999.";
  t[4] = "データなし,-9999.";
  t[5] = "内水面,-9999.";
  dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, t));
  for (bool seaZero : {false, true}) {
    GridpackOptions o;
    o.seaZero = seaZero;
    ASSERT_TRUE(Pack(dir.file("in"), dir.file("out.tif"), o).written);
    const Raster r(dir.file("out.tif"));
    EXPECT_EQ(r.at(0, 3), seaZero ? 0.0f : -9999.0f);
    EXPECT_EQ(r.at(0, 4), -9999.0f);
    EXPECT_EQ(r.at(0, 5), -9999.0f);
    EXPECT_EQ(r.at(0, 6), 5.5f);
  }
}

TEST(Gridpack, ShiftJisFilesBadFilesAndOtherXmlAreHandled) {
  TempDir dir;
  // An old Shift_JIS file, a start point and an early end.
  const std::string sjis = Utf8ToCp932(
      DemXml(kS, kW, kN, kE, 9, 6, {"地表面,7.25", "地表面,8.50"}, 4, 2, "5mメッシュ（標高）", "Shift_JIS"));
  dir.write("in/FG-GML-5238-74-00-DEM5A-20101001.xml", sjis);
  dir.write("in/FG-GML-5238-74-01-DEM5A-20161001.xml",
            DemXml(kS, kE, kN, kE + 0.0125, 9, 6, {"地表面,1.00", "地表面,x.5"}));
  dir.write("in/FG-GML-5238-74-DEM5A-meta.xml", "<?xml version=\"1.0\"?>\r\n<meta>no type here</meta>\r\n");
  const GridpackSummary s = Pack(dir.file("in"), dir.file("out.tif"));
  ASSERT_TRUE(s.written) << s.error;
  EXPECT_EQ(s.meshes, 1);
  EXPECT_EQ(s.notDem, 1);
  ASSERT_EQ(s.problems.size(), 1u);
  EXPECT_NE(s.problems[0].find("FG-GML-5238-74-01-DEM5A-20161001.xml"), std::string::npos);
  const Raster r(dir.file("out.tif"));
  EXPECT_EQ(r.cols(), 18);   // the bad mesh still counts for the extent
  EXPECT_EQ(r.at(2, 4), 7.25f);
  EXPECT_EQ(r.at(2, 5), 8.5f);
  EXPECT_EQ(r.at(2, 6), -9999.0f);
  EXPECT_EQ(r.at(0, 9), -9999.0f);
}

TEST(Gridpack, ZoneOutputIsInThePlaneRectangularSystem) {
  TempDir dir;
  // A ramp west to east, so interpolated values are checkable.
  std::vector<std::string> t;
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 9; ++col) t.push_back("地表面," + std::to_string(100 + col * 10) + ".00");
  dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, t));
  GridpackOptions o;
  o.zone = 8;   // zone VIII, 138.5 E
  o.resolution = 20;
  const GridpackSummary s = Pack(dir.file("in"), dir.file("out.tif"), o);
  ASSERT_TRUE(s.written) << s.error;
  const Raster r(dir.file("out.tif"));
  EXPECT_EQ(r.epsg, 6676);
  EXPECT_DOUBLE_EQ(r.gt[1], 20);
  // The mesh's centre (138.50625 E, 35.2541667 N) in zone VIII.
  OGRSpatialReference geo, zone;
  geo.importFromEPSG(6668);
  zone.importFromEPSG(6676);
  geo.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  zone.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&geo, &zone));
  double x = 138.50625, y = 35.25 + 15.0 / 3600;
  ASSERT_TRUE(ct->Transform(1, &x, &y));
  const int col = static_cast<int>((x - r.gt[0]) / r.gt[1]), row = static_cast<int>((y - r.gt[3]) / r.gt[5]);
  EXPECT_NEAR(r.at(row, col), 140, 6);   // the ramp's middle, within one 20 m step
}

TEST(Gridpack, OtherFormatsOverviewsAndRefusals) {
  TempDir dir;
  dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, Constant(54, "地表面,3.00")));
  for (const char* format : {"COG", "AAIGrid", "HFA"}) {
    GridpackOptions o;
    o.format = format;
    const std::string out = dir.file(std::string("out-") + format);
    const GridpackSummary s = Pack(dir.file("in"), out, o);
    ASSERT_TRUE(s.written) << format << ": " << s.error;
    const Raster r(out);
    ASSERT_TRUE(r.ds) << format;
    EXPECT_EQ(r.at(3, 3), 3.0f) << format;
  }
  GridpackOptions o;
  o.overviews = true;
  o.resolution = 0.02;   // 2250 x 1500 cells: room for overviews
  ASSERT_TRUE(Pack(dir.file("in"), dir.file("ov.tif"), o).written);
  EXPECT_GT(Raster(dir.file("ov.tif")).ds->GetRasterBand(1)->GetOverviewCount(), 0);

  o = {};
  o.format = "NoSuchFormat";
  GridpackSummary s = Pack(dir.file("in"), dir.file("bad.tif"), o);
  EXPECT_FALSE(s.written);
  EXPECT_NE(s.error.find("NoSuchFormat"), std::string::npos);
  s = Pack(dir.file("empty-folder-that-is-missing"), dir.file("none.tif"));
  EXPECT_FALSE(s.written);
  EXPECT_FALSE(fs::exists(dir.file("none.tif")));
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_FALSE(IsTemporaryName(e.path().filename().string())) << e.path();
}

// A format that writes a side file (the .prj of an ASCII grid): the side file
// follows the main file to its final name.
TEST(Gridpack, SideFilesOfOtherFormatsGetTheFinalName) {
  TempDir dir;
  dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, Constant(54, "地表面,3.00")));
  GridpackOptions o;
  o.format = "AAIGrid";
  fs::create_directories(dir.file("out"));
  const GridpackSummary s = Pack(dir.file("in"), dir.file("out/grid.asc"), o);
  ASSERT_TRUE(s.written) << s.error;
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.file("out"))) names.insert(e.path().filename().string());
  EXPECT_TRUE(names.count("grid.asc"));
  EXPECT_TRUE(names.count("grid.prj"));
  for (const std::string& name : names) EXPECT_FALSE(IsTemporaryName(name)) << name;
  // GDAL finds the coordinate system beside the grid under the final name.
  const Raster r(dir.file("out/grid.asc"));
  ASSERT_TRUE(r.ds);
  const OGRSpatialReference* srs = r.ds->GetSpatialRef();
  ASSERT_NE(srs, nullptr);
  EXPECT_TRUE(srs->IsGeographic());
}

// A mosaic that cannot be written leaves the previous file as it was (or the
// folder of that name untouched), no temporary name behind, and a message
// naming the file and the system's reason.
TEST(Gridpack, AFailedWriteKeepsThePreviousFileAndNamesTheFile) {
  const std::string previous = "the previous mosaic";
  struct Case {
    const char* what;
    const char* format;
    WriteCondition condition;
    bool outputIsFolder;
    const char* reason;   // part of the message
  };
  const Case cases[] = {
      {"read-only folder", "GTiff", WriteCondition::Unprivileged, false, "Permission denied"},
      {"read-only folder, other format", "AAIGrid", WriteCondition::Unprivileged, false, "Permission denied"},
      {"full disk", "GTiff", WriteCondition::FileSizeLimit, false, "File too large"},
      {"full disk, other format", "COG", WriteCondition::FileSizeLimit, false, "File too large"},
      {"a folder of the same name", "GTiff", WriteCondition::FileSizeLimit, true, "Is a directory"},
      {"a folder of the same name, other format", "AAIGrid", WriteCondition::FileSizeLimit, true,
       "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::vector<std::string> tuples;
    for (int i = 0; i < 54; ++i) tuples.push_back("地表面," + std::to_string(i * 7 % 13) + ".25");
    dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", DemXml(kS, kW, kN, kE, 9, 6, tuples));
    const std::string out = dir.file("out/mosaic.tif");
    if (c.outputIsFolder)
      dir.write("out/mosaic.tif/inside.txt", previous);
    else
      dir.write("out/mosaic.tif", previous);
    // A limit far below the mosaic's size but above what the reading needs.
    const long limit = c.condition == WriteCondition::FileSizeLimit && !c.outputIsFolder ? 300 : 1L << 30;
    GridpackOptions o;
    o.format = c.format;
    const ChildWrite w = RunWriteInChild(c.condition, limit, [&](std::string* error) {
      const GridpackSummary s = Pack(dir.file("in"), out, o);
      *error = s.error;
      return s.written;
    });
    ASSERT_TRUE(w.ran);
    EXPECT_FALSE(w.succeeded);
    EXPECT_NE(w.message.find(out), std::string::npos) << w.message;
    EXPECT_NE(w.message.find(c.reason), std::string::npos) << w.message;
    if (c.outputIsFolder)
      EXPECT_EQ(TempDir::read(out + "/inside.txt"), previous);
    else
      EXPECT_EQ(TempDir::read(out), previous);
    for (const auto& e : fs::directory_iterator(dir.file("out")))
      EXPECT_FALSE(IsTemporaryName(e.path().filename().string())) << e.path();
  }
}

TEST(Gridpack, AHeaderLongerThanTheLeadingPartIsReadWhole) {
  TempDir dir;
  std::string text = DemXml(kS, kW, kN, kE, 9, 6, Constant(54, "地表面,4.00"));
  // Comment lines push "<gml:high>8 5" across the 32 KB the header scan reads first.
  const size_t high = text.find("<gml:high>");
  const size_t pad = 32768 - 12 - high;
  text.insert(high, "<!--" + std::string(pad - 10, '-') + "-->\r\n\t");
  ASSERT_EQ(text.find("<gml:high>"), 32768u - 12);
  dir.write("in/FG-GML-5238-74-00-DEM5A-20161001.xml", text);
  const GridpackSummary s = Pack(dir.file("in"), dir.file("out.tif"));
  ASSERT_TRUE(s.written) << s.error;
  EXPECT_EQ(s.meshes, 1);
  const Raster r(dir.file("out.tif"));
  EXPECT_EQ(r.cols(), 9);
  EXPECT_EQ(r.at(5, 8), 4.0f);
}
