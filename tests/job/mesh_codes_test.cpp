#include "job/mesh_codes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "job/cell_buffer.h"
#include "job/coordinates.h"

namespace velkaro {
namespace {

using Codes = std::vector<std::string>;

TileGeoBox PointBox(double lat, double lon) { return {lon, lon, lat, lat}; }

TEST(MeshCodes, TokyoStationInEveryForm) {
  struct Row {
    int form;
    const char* code;
  };
  const Row rows[] = {{4, "5339"},        {6, "-533946"},     {16, "5339-46"},
                      {8, "L-53394610"},  {18, "5339-46-10"}};
  for (const Row& r : rows) {
    Codes list;
    AppendMeshCodes(list, PointBox(35.68, 139.76), r.form);
    EXPECT_EQ(list, Codes{r.code}) << "form " << r.form;
  }
}

TEST(MeshCodes, UnknownFormsAndBadBoxesAddNothing) {
  Codes list{"kept"};
  AppendMeshCodes(list, PointBox(35.68, 139.76), 5);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  AppendMeshCodes(list, {nan, 139.0, 35.0, 36.0}, 6);
  AppendMeshCodes(list, {139.0, 140.0, 36.0, 35.0}, 6);  // north below south
  EXPECT_EQ(list, Codes{"kept"});
}

TEST(MeshCodes, CrossingTheWholeDegreeMeridianListsBothSidesWestToEast) {
  Codes list;
  AppendMeshCodes(list, {139.95, 140.05, 35.70, 35.72}, 6);
  EXPECT_EQ(list, (Codes{"-533947", "-534040"}));
}

TEST(MeshCodes, ThirdLevelCodesOfSmallBoxes) {
  // Third-level cells are 45" x 30" (0.0125 x 0.00833 degrees), so a box of
  // 0.01 x 0.01 degrees always spans two or three cell rows.
  struct Row {
    const char* name;
    double lonW, latS, width, height;
    size_t expected;
  };
  const Row rows[] = {
      {"inside one cell", 139.7510, 35.6840, 0.01, 0.005, 1},
      {"one column, two rows", 139.7510, 35.6840, 0.01, 0.01, 2},
      {"one column, three rows", 139.7510, 35.6832, 0.01, 0.01, 3},
      {"two columns, two rows", 139.7610, 35.6810, 0.01, 0.01, 4},
      {"two columns, three rows", 139.7610, 35.6832, 0.01, 0.01, 6},
  };
  for (const Row& r : rows) {
    Codes list;
    AppendMeshCodes(list, {r.lonW, r.lonW + r.width, r.latS, r.latS + r.height}, 8);
    EXPECT_EQ(list.size(), r.expected) << r.name;
    for (const std::string& code : list) EXPECT_EQ(code.rfind("L-", 0), 0u) << code;
  }
  Codes list;
  AppendMeshCodes(list, {139.7610, 139.7710, 35.6810, 35.6910}, 8);
  EXPECT_EQ(list, (Codes{"L-53394610", "L-53394611", "L-53394620", "L-53394621"}));
}

class MeshCodeListTest : public ::testing::Test {
 protected:
  MeshCodeListTest() : ctx(JobSettings{}, host, pool) {
    SetZoneNumber(ctx.coords, 9, 1.0);
  }
  void SetTile(double west, double east, double north, double south) {
    ctx.tile.west = west;
    ctx.tile.east = east;
    ctx.tile.north = north;
    ctx.tile.south = south;
  }
  SilentHost host;
  // The pool is large; the tests share one.
  static CellBuffer& SharedPool() {
    static CellBuffer pool;
    return pool;
  }
  CellBuffer& pool = SharedPool();
  JobContext ctx;
};

TEST_F(MeshCodeListTest, TileInsideOneSecondLevelCellGivesOneCode) {
  const PlaneXY c = bltoxy(ctx.coords, 139.80, 35.70);
  SetTile(c.y - 500, c.y + 500, c.x + 500, c.x - 500);
  ListMeshCodes(ctx, 6, false);
  EXPECT_EQ(ctx.meshCodes, Codes{"-533946"});
  EXPECT_LT(ctx.geoBox.lonW, 139.80);
  EXPECT_GT(ctx.geoBox.lonE, 139.80);
  EXPECT_LT(ctx.geoBox.latS, 35.70);
  EXPECT_GT(ctx.geoBox.latN, 35.70);
}

TEST_F(MeshCodeListTest, LaterFormsAppendEarlierFormsClear) {
  ctx.geoBox = PointBox(35.68, 139.76);
  ctx.meshCodes = {"stale"};
  ListMeshCodes(ctx, 6, true);
  ListMeshCodes(ctx, 16, true);
  EXPECT_EQ(ctx.meshCodes, (Codes{"-533946", "5339-46"}));
  ListMeshCodes(ctx, 8, true);
  ListMeshCodes(ctx, 18, true);
  EXPECT_EQ(ctx.meshCodes, (Codes{"L-53394610", "5339-46-10"}));
  ListMeshCodes(ctx, 4, true);
  EXPECT_EQ(ctx.meshCodes, Codes{"5339"});
}

TEST_F(MeshCodeListTest, NorthernBulgeOfATileAcrossTheCentralMeridianIsCovered) {
  // The tile's north edge lies 5 m above the 35.75 N cell boundary on the
  // central meridian; 20 km east and west the same northing is south of it.
  const double boundary = 429.0 / 12.0;
  const PlaneXY onMeridian = bltoxy(ctx.coords, ZoneOriginOf(9).lon, boundary);
  SetTile(-20000, 20000, onMeridian.x + 5, onMeridian.x - 3000);
  const GeoLatLon corner = xytobl(ctx.coords, 20000, onMeridian.x + 5);
  ASSERT_LT(corner.lat, boundary);

  ListMeshCodes(ctx, 6, false);
  EXPECT_GE(ctx.geoBox.latN, boundary);
  bool northernRow = false;
  for (const std::string& code : ctx.meshCodes) northernRow |= code.substr(5, 1) == "5";
  EXPECT_TRUE(northernRow) << "no code of the cell row north of 35.75";
}

TEST_F(MeshCodeListTest, LatLonTileBoxIsItsExtents) {
  SetZoneNumber(ctx.coords, 0, 1.0);
  SetTile(139.70, 139.80, 35.72, 35.65);
  ListMeshCodes(ctx, 4, false);
  EXPECT_DOUBLE_EQ(ctx.geoBox.lonW, 139.70);
  EXPECT_DOUBLE_EQ(ctx.geoBox.lonE, 139.80);
  EXPECT_DOUBLE_EQ(ctx.geoBox.latS, 35.65);
  EXPECT_DOUBLE_EQ(ctx.geoBox.latN, 35.72);
  EXPECT_EQ(ctx.meshCodes, Codes{"5339"});
}

}  // namespace
}  // namespace velkaro
