#pragma once
// Geographic <-> plane rectangular coordinates of the 19 Japanese zones on the
// GRS80 ellipsoid (Gauss-Krueger series), and the lat/lon mode in which a
// PlaneXY simply holds latitude and longitude in degrees.
//
// The conversions are pure functions of the CoordinateState kept in the job
// context; only xytobl moves the state (its starting estimate).

#include <array>
#include <string_view>

#include "job/job_context.h"

namespace velkaro {

// Plane rectangular coordinates in the job unit: x to the north, y to the east.
// In lat/lon mode x is the latitude and y the longitude, in degrees.
struct PlaneXY {
  double x = 0.0;
  double y = 0.0;
};

// Geographic coordinates in degrees.
struct GeoLatLon {
  double lat = 0.0;
  double lon = 0.0;
};

// The zone choice list of `area/zahyokei`: entries 0..55 name a zone and the
// region it serves, entry 56 is the lat/lon mode.
inline constexpr int kZoneEntryCount = 57;
inline constexpr int kLatLonEntry = 56;
extern const std::array<const char*, kZoneEntryCount> kZoneEntries;

inline constexpr int kZoneCount = 19;

struct ZoneOrigin {
  double lat;  // degrees
  double lon;  // degrees
};

// Origin of zone 1..19 in degrees, as stored; zone 0 or out of range gives {0, 0}.
ZoneOrigin ZoneOriginOf(int zone);

// Zone number 1..19 read from the text of a zone entry; 0 when the text does
// not name one. The second character is a blank for one-digit zones
// ("第 1座標系 …"), else the second and third characters are the two digits.
int ZoneNumberOfEntryText(std::string_view entry);
// Same for an entry index of `area/zahyokei`; 0 for 56 and out-of-range indices.
int ZoneNumberOfEntry(int entry);

// Unit multiplier of `kihon/tanni`: 0 mm -> 1000, 1 cm -> 100, 2 m -> 1;
// anything else (no unit selected) -> 1.
double UnitScaleOf(int tanni);

// GRS80 and projection constants, computed once.
struct ProjectionConstants {
  double a;              // semi-major axis, metres
  double f;              // flattening
  double e;              // first eccentricity
  double e2nd;           // second eccentricity e'
  double c;              // polar radius of curvature a / sqrt(1 - e^2)
  double m0;             // scale factor on the central meridian
  // a(1-e^2)*A, -a(1-e^2)*B/2, +a(1-e^2)*C/4, ... -a(1-e^2)*H/14, +a(1-e^2)*I/16
  std::array<double, 9> arcTerms;
};
const ProjectionConstants& Grs80();

// Length in metres of one degree of the equator (2 pi a / 360).
inline constexpr double kMetresPerEquatorDegree = 111319.49079327357;

// Meridian arc from the equator to latitude phi (radians), metres.
double MeridianArc(double phi);

// Sets the zone state for zone 1..19 (0 selects lat/lon mode), the unit scale
// and the starting estimate of xytobl. Returns false for other zone numbers.
bool SetZoneNumber(CoordinateState& cs, int zone, double unitScale);

// Same from the settings: `area/zahyokei` entry and `kihon/tanni` unit.
// Returns false (leaving the zone as it was) when the entry names no zone.
bool SetZone(CoordinateState& cs, int zahyokei, int tanni);

// Geographic -> plane. kdo: longitude, ido: latitude, degrees.
PlaneXY bltoxy(const CoordinateState& cs, double kdo, double ido);

// Geographic -> plane along one parallel: the terms of the series that
// depend on the latitude alone are worked out once, and each longitude then
// costs a polynomial. Positions are bit for bit those of bltoxy (which is
// made of one), so a grid row converts at a fraction of the cost.
class ParallelProjection {
 public:
  ParallelProjection(const CoordinateState& cs, double ido);
  PlaneXY at(double kdo) const;

 private:
  const CoordinateState& cs_;
  double ido_;
  double x0_ = 0;                   // meridian arc from the zone's origin
  double x2_ = 0, x4_ = 0, x6_ = 0, x8_ = 0;   // factors of dl^2 .. dl^8
  double y1_ = 0, y3_ = 0, y5_ = 0, y7_ = 0;   // factors of dl .. dl^7
  double scale_ = 1;
};

// Plane -> geographic by fixed-point iteration from the persisting estimate in
// cs (moved to the result). yy: east, xx: north, job unit. Stops when the
// squared distance is within 0.001 * UnitScale, or after kXytoblIterationLimit
// steps for points far outside the zone (the last estimate is returned).
inline constexpr int kXytoblIterationLimit = 100;
GeoLatLon xytobl(CoordinateState& cs, double yy, double xx);

}  // namespace velkaro
