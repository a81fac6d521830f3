#include "job/mesh_codes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "job/coordinates.h"

namespace velkaro {

namespace {

// Index of a coordinate on a mesh level, truncated toward zero. Values that
// cannot be an index (not finite, absurdly large) return false.
bool MeshIndex(double value, int& index) {
  if (!std::isfinite(value) || std::fabs(value) > 1.0e7) return false;
  index = static_cast<int>(std::trunc(value));
  return true;
}

}  // namespace

int MeshLevelMultiplier(int form) {
  switch (form) {
    case 4: return 1;
    case 6:
    case 16: return 8;
    case 8:
    case 18: return 80;
    default: return 0;
  }
}

std::string FormatMeshCode(int form, int a, int b) {
  char text[64];
  int n = 0;
  switch (form) {
    case 4:
      n = std::snprintf(text, sizeof text, "%.2d%.2d", a, b);
      break;
    case 6:
      n = std::snprintf(text, sizeof text, "-%.2d%.2d%.1d%.1d", a / 8, b / 8, a % 8, b % 8);
      break;
    case 16:
      n = std::snprintf(text, sizeof text, "%.2d%.2d-%.1d%.1d", a / 8, b / 8, a % 8, b % 8);
      break;
    case 8:
      n = std::snprintf(text, sizeof text, "L-%.2d%.2d%.1d%.1d%.1d%.1d", a / 80, b / 80,
                        (a % 80) / 10, (b % 80) / 10, a % 10, b % 10);
      break;
    case 18:
      n = std::snprintf(text, sizeof text, "%.2d%.2d-%.1d%.1d-%.1d%.1d", a / 80, b / 80,
                        (a % 80) / 10, (b % 80) / 10, a % 10, b % 10);
      break;
    default:
      return {};
  }
  return std::string(text, static_cast<size_t>(std::clamp(n, 0, int(sizeof text) - 1)));
}

TileGeoBox GeoBoxOfPlaneRect(CoordinateState& cs, double west, double east, double north,
                             double south) {
  TileGeoBox box;
  GeoLatLon g = xytobl(cs, west, south);
  box.lonW = g.lon;
  box.latS = g.lat;
  g = xytobl(cs, east, north);
  box.lonE = g.lon;
  box.latN = g.lat;
  g = xytobl(cs, west, north);
  box.lonW = std::min(box.lonW, g.lon);
  box.latN = std::max(box.latN, g.lat);
  g = xytobl(cs, east, south);
  box.latS = std::min(box.latS, g.lat);
  box.lonE = std::max(box.lonE, g.lon);
  // A line of constant northing reaches its highest latitude on the central
  // meridian, so a tile straddling it bulges north between its corners.
  if (west < 0 && 0 < east) {
    g = xytobl(cs, 0.0, north);
    box.latN = std::max(box.latN, g.lat);
  }
  return box;
}

void AppendMeshCodes(std::vector<std::string>& list, const TileGeoBox& box, int form) {
  const int m = MeshLevelMultiplier(form);
  if (m == 0) return;
  int a0, a1, b0, b1;
  if (!MeshIndex(box.latS * 3.0 / 2.0 * m, a0) || !MeshIndex(box.latN * 3.0 / 2.0 * m, a1) ||
      !MeshIndex((box.lonW - 100.0) * m, b0) || !MeshIndex((box.lonE - 100.0) * m, b1))
    return;
  for (int a = a0; a <= a1; ++a)
    for (int b = b0; b <= b1; ++b) list.push_back(FormatMeshCode(form, a, b));
}

void ListMeshCodes(JobContext& ctx, int form, bool useCurrentBox) {
  if (!useCurrentBox)
    ctx.geoBox = GeoBoxOfPlaneRect(ctx.coords, ctx.tile.west, ctx.tile.east, ctx.tile.north,
                                   ctx.tile.south);
  if (form == 4 || form == 6 || form == 8) ctx.meshCodes.clear();
  AppendMeshCodes(ctx.meshCodes, ctx.geoBox, form);
}

}  // namespace velkaro
