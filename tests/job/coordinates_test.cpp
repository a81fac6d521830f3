#include "job/coordinates.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <memory>
#include <string>

namespace velkaro {
namespace {

CoordinateState Zone(int zone, double unitScale = 1.0) {
  CoordinateState cs;
  EXPECT_TRUE(SetZoneNumber(cs, zone, unitScale));
  return cs;
}

constexpr double kMinute = 1.0 / 60.0;

TEST(Coordinates, PublishedZone9Examples) {
  struct Row {
    const char* name;
    double lat, lon;
    double x, y;
  };
  const Row rows[] = {
      {"origin", 36.0, 139.0 + 50 * kMinute, 0.0, 0.0},
      {"one degree north", 37.0, 139.0 + 50 * kMinute, 110957.2, 0.0},
      {"one degree east", 36.0, 140.0 + 50 * kMinute, 462.5, 90156.1},
  };
  const CoordinateState cs = Zone(9);
  for (const Row& r : rows) {
    const PlaneXY p = bltoxy(cs, r.lon, r.lat);
    EXPECT_NEAR(p.x, r.x, 0.05) << r.name;
    EXPECT_NEAR(p.y, r.y, 0.05) << r.name;
  }
}

TEST(Coordinates, EveryZoneOriginMapsToZero) {
  for (int zone = 1; zone <= kZoneCount; ++zone) {
    const CoordinateState cs = Zone(zone);
    const ZoneOrigin o = ZoneOriginOf(zone);
    const PlaneXY p = bltoxy(cs, o.lon, o.lat);
    EXPECT_NEAR(p.x, 0.0, 1e-6) << "zone " << zone;
    EXPECT_NEAR(p.y, 0.0, 1e-6) << "zone " << zone;
  }
}

TEST(Coordinates, MillimetreUnitScalesResultsAndTightensInversion) {
  CoordinateState metres = Zone(9, 1.0);
  CoordinateState millimetres = Zone(9, 1000.0);
  const double lat = 35.68, lon = 139.76;
  const PlaneXY m = bltoxy(metres, lon, lat);
  const PlaneXY mm = bltoxy(millimetres, lon, lat);
  EXPECT_NEAR(mm.x, m.x * 1000, 1e-3);
  EXPECT_NEAR(mm.y, m.y * 1000, 1e-3);

  const GeoLatLon g = xytobl(millimetres, mm.y, mm.x);
  const PlaneXY back = bltoxy(millimetres, g.lon, g.lat);
  EXPECT_LE(std::hypot(back.x - mm.x, back.y - mm.y), 1.0);  // 1 mm
}

TEST(Coordinates, LatLonModeIsTheIdentity) {
  CoordinateState cs = Zone(9);
  ASSERT_TRUE(SetZoneNumber(cs, 0, 1000.0));
  EXPECT_TRUE(cs.latLonMode);
  const PlaneXY p = bltoxy(cs, 139.76, 35.68);
  EXPECT_DOUBLE_EQ(p.x, 35.68);
  EXPECT_DOUBLE_EQ(p.y, 139.76);
  const GeoLatLon g = xytobl(cs, 139.76, 35.68);
  EXPECT_DOUBLE_EQ(g.lat, 35.68);
  EXPECT_DOUBLE_EQ(g.lon, 139.76);
}

TEST(Coordinates, ZoneNumbersOfEntries) {
  struct Row {
    int entry;
    int zone;
  };
  const Row rows[] = {{0, 1},   {1, 1},   {2, 2},   {8, 3},   {15, 5},  {32, 8},
                      {33, 9},  {41, 10}, {46, 11}, {47, 12}, {48, 13}, {49, 14},
                      {50, 15}, {51, 16}, {52, 17}, {53, 17}, {54, 18}, {55, 19},
                      {56, 0},  {-1, 0},  {57, 0}};
  for (const Row& r : rows) EXPECT_EQ(ZoneNumberOfEntry(r.entry), r.zone) << "entry " << r.entry;

  EXPECT_STREQ(kZoneEntries[52], "第17座標系 沖縄県 北大東島");
  EXPECT_STREQ(kZoneEntries[53], "第17座標系 沖縄県 南大東島");

  // Every zone is offered, in ascending order.
  int previous = 0;
  for (int entry = 0; entry < kLatLonEntry; ++entry) {
    const int zone = ZoneNumberOfEntry(entry);
    EXPECT_TRUE(zone == previous || zone == previous + 1) << kZoneEntries[entry];
    previous = zone;
  }
  EXPECT_EQ(previous, kZoneCount);
}

TEST(Coordinates, ZoneNumberTexts) {
  struct Row {
    const char* text;
    int zone;
  };
  const Row rows[] = {
      {"第 1座標系 長崎県", 1}, {"第10座標系 青森県", 10}, {"第19座標系", 19},
      {"緯度・経度", 0},        {"", 0},                    {"第", 0},
      {"第X座標系", 0},         {"第 X座標系", 0},          {"第99座標系", 0},
      {"第 0座標系", 0},
  };
  for (const Row& r : rows) EXPECT_EQ(ZoneNumberOfEntryText(r.text), r.zone) << r.text;
}

TEST(Coordinates, ZoneFromSettings) {
  struct Row {
    int zahyokei, tanni;
    bool ok, latLon;
    int zone;
    double unitScale;
  };
  const Row rows[] = {{33, 2, true, false, 9, 1},   {52, 0, true, false, 17, 1000},
                      {56, 1, true, true, 0, 100},  {-1, 2, false, false, 0, 1},
                      {57, 0, false, false, 0, 1000}};
  for (const Row& r : rows) {
    CoordinateState cs;
    EXPECT_EQ(SetZone(cs, r.zahyokei, r.tanni), r.ok) << r.zahyokei;
    EXPECT_EQ(cs.latLonMode, r.latLon) << r.zahyokei;
    EXPECT_EQ(cs.zone, r.zone) << r.zahyokei;
    EXPECT_DOUBLE_EQ(cs.unitScale, r.unitScale) << r.zahyokei;
  }
  CoordinateState cs;
  EXPECT_FALSE(SetZoneNumber(cs, 20, 1.0));
  EXPECT_FALSE(SetZoneNumber(cs, -1, 1.0));
}

struct ProjDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};
struct ProjContextDeleter {
  void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};

// Independent transverse Mercator (PROJ) against the series, to the
// millimetre, on a grid within 1.5 degrees of each zone's origin; and the
// inversion returns every grid point.
TEST(Coordinates, AgreesWithIndependentTransverseMercatorInEveryZone) {
  std::unique_ptr<PJ_CONTEXT, ProjContextDeleter> context(proj_context_create());
  for (int zone = 1; zone <= kZoneCount; ++zone) {
    const ZoneOrigin o = ZoneOriginOf(zone);
    char definition[256];
    std::snprintf(definition, sizeof definition,
                  "+proj=tmerc +lat_0=%.13f +lon_0=%.13f +k=0.9999 +x_0=0 +y_0=0 +ellps=GRS80",
                  o.lat, o.lon);
    std::unique_ptr<PJ, ProjDeleter> tmerc(proj_create(context.get(), definition));
    ASSERT_NE(tmerc, nullptr) << definition;
    CoordinateState cs = Zone(zone);
    for (double dLat = -1.5; dLat <= 1.5; dLat += 0.5) {
      for (double dLon = -1.5; dLon <= 1.5; dLon += 0.5) {
        const double lat = o.lat + dLat, lon = o.lon + dLon;
        const PJ_COORD in = proj_coord(proj_torad(lon), proj_torad(lat), 0, 0);
        const PJ_COORD out = proj_trans(tmerc.get(), PJ_FWD, in);
        const PlaneXY p = bltoxy(cs, lon, lat);
        const std::string where = "zone " + std::to_string(zone) + " lat " +
                                  std::to_string(lat) + " lon " + std::to_string(lon);
        EXPECT_NEAR(p.x, out.enu.n, 0.001) << where;
        EXPECT_NEAR(p.y, out.enu.e, 0.001) << where;

        const GeoLatLon g = xytobl(cs, p.y, p.x);
        const PlaneXY back = bltoxy(cs, g.lon, g.lat);
        EXPECT_LE((back.x - p.x) * (back.x - p.x) + (back.y - p.y) * (back.y - p.y), 0.001)
            << where;
        EXPECT_NEAR(g.lat, lat, 1e-6) << where;
        EXPECT_NEAR(g.lon, lon, 1e-6) << where;
      }
    }
  }
}

TEST(Coordinates, InversionEstimatePersistsAndStartsAtOrigin) {
  CoordinateState cs = Zone(10);
  EXPECT_DOUBLE_EQ(cs.estimateLat, 40.0);
  EXPECT_DOUBLE_EQ(cs.estimateLon, ZoneOriginOf(10).lon);
  const PlaneXY p = bltoxy(cs, 141.0, 40.5);
  const GeoLatLon g = xytobl(cs, p.y, p.x);
  EXPECT_DOUBLE_EQ(cs.estimateLat, g.lat);
  EXPECT_DOUBLE_EQ(cs.estimateLon, g.lon);
  // Two independent states do not share an estimate.
  CoordinateState other = Zone(10);
  EXPECT_DOUBLE_EQ(other.estimateLat, 40.0);
}

TEST(Coordinates, PointFarOutsideTheZoneEndsWithFiniteResult) {
  CoordinateState cs = Zone(9, 1000.0);
  const GeoLatLon g = xytobl(cs, 9.0e12, -9.0e12);
  EXPECT_TRUE(std::isfinite(g.lat));
  EXPECT_TRUE(std::isfinite(g.lon));
}

}  // namespace
}  // namespace velkaro
