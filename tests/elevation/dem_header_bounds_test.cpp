// Absurd header values of a damaged DEM file are refused as a bad file
// before any grid of their size is indexed or allocated; an ETOPO file of
// another size than the one layout is refused too.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "elevation/dem_readers.h"
#include "elevation/dem_sources.h"
#include "elevation_test_support.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

std::string DemWithHeaderLine(const std::string& line) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Dataset>\n<DEM gml:id=\"DEM001\">\n"
         "<type>5mメッシュ（標高）</type>\n" +
         line +
         "\n<gml:tupleList>\n地表面,12.5\n</gml:tupleList>\n</DEM>\n</Dataset>\n";
}

TEST(DemHeaderBounds, AbsurdHeaderValuesAreRefused) {
  struct Case {
    const char* line;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"<gml:high>1124 749</gml:high>", true},   // the largest published mesh
      {"<gml:lowerCorner>35 139</gml:lowerCorner>", true},
      {"<gml:high>99999999 2</gml:high>", false},
      {"<gml:high>2 99999999</gml:high>", false},
      {"<gml:high>16383 16383</gml:high>", false},  // each side fits, the grid does not
      {"<gml:high>1e308 1</gml:high>", false},
      {"<gml:high>nan 1</gml:high>", false},
      {"<gml:high>-1 1</gml:high>", false},
      {"<gml:lowerCorner>1e308 139</gml:lowerCorner>", false},
      {"<gml:lowerCorner>35 -1e308</gml:lowerCorner>", false},
      {"<gml:upperCorner>NaN 139</gml:upperCorner>", false},
      {"<gml:upperCorner>35 inf</gml:upperCorner>", false},
      {"<gml:upperCorner>91 139</gml:upperCorner>", false},
      {"<gml:startPoint>1e9 0</gml:startPoint>", false},
      {"<gml:startPoint>0 -1</gml:startPoint>", false},
  };
  for (const Case& c : cases) {
    DemXmlHeader header;
    EXPECT_EQ(ReadDemXmlHeader(DemWithHeaderLine(c.line), header), c.accepted) << c.line;
  }
}

TEST(DemHeaderBounds, AFarCornerIsABadFileNotAHugeOffset) {
  test::ElevationJob job;
  job.plainGrid(5, 6, -9999);
  ElevationGrid& g = job.ctx->elevGrid;
  g.gridLonW = 139;
  g.gridLatN = 35.1;
  g.gridLonE = 139.1;
  g.gridLatS = 35;
  for (const char* corner : {"<gml:lowerCorner>35 -1e308</gml:lowerCorner>\n<gml:upperCorner>35.05 139.05</gml:upperCorner>",
                             "<gml:lowerCorner>35 139</gml:lowerCorner>\n<gml:upperCorner>1e300 139.05</gml:upperCorner>"}) {
    DemXmlTarget t{&g, job.pool.data(), job.ctx->datumOffset, 1u, -1};
    EXPECT_EQ(ReadDemXmlText(DemWithHeaderLine(corner), t), DemXmlOutcome::BadNumber) << corner;
  }
}

TEST(DemHeaderBounds, AnEtopoFileOfAnotherSizeIsNamedAsBad) {
  const fs::path file = fs::temp_directory_path() / ("velkaro-etopo-size-" + std::to_string(::getpid()) + ".flt");
  { std::ofstream(file, std::ios::binary) << "x"; }
  fs::resize_file(file, 4LL * kEtopoCols * kEtopoRows - 4);  // sparse: one value short
  test::ElevationJob job(kEtopo);
  job.plainGrid(3, 4, -9999);
  EXPECT_FALSE(ReadEtopoGrid(job.job(), file.string(), GeoBox{139.0, 35.45, 139.0667, 35.5}));
  EXPECT_NE(job.ctx->errorText.find(file.filename().string()), std::string::npos) << job.ctx->errorText;
  fs::remove(file);
}

}  // namespace
}  // namespace velkaro
