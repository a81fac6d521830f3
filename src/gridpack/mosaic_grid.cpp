#include "gridpack/mosaic_grid.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace velkaro {

namespace {

// 1/400 arc-second: a divisor of every DEM cell (0.04", 0.2", 0.4") and
// every mesh edge.
constexpr double kLattice = 1.0 / (3600.0 * 400.0);

}  // namespace

double SnapMeshCorner(double degrees) {
  const double steps = std::round(degrees / kLattice);
  // Only a rounding of the ninth decimal is snapped away.
  return std::abs(steps * kLattice - degrees) < 1e-8 ? steps * kLattice : degrees;
}

double MeshCellSize(double span, long cells) {
  const double cell = span / static_cast<double>(cells);
  const double steps = std::round(cell / kLattice);
  return steps > 0 && std::abs(steps * kLattice - cell) < 1e-6 * cell ? steps * kLattice : cell;
}

double MeshExtent::cellLon() const { return MeshCellSize(SnapMeshCorner(lonE) - SnapMeshCorner(lonW), cols); }

double MeshExtent::cellLat() const { return MeshCellSize(SnapMeshCorner(latN) - SnapMeshCorner(latS), rows); }

RasterGrid GeographicMosaicGrid(const std::vector<MeshExtent>& meshes, double cellDegrees) {
  RasterGrid grid;
  if (meshes.empty()) return grid;
  double west = 1e9, south = 1e9, east = -1e9, north = -1e9;
  double cellLon = 1e9, cellLat = 1e9;
  for (const MeshExtent& m : meshes) {
    west = std::min(west, SnapMeshCorner(m.lonW));
    south = std::min(south, SnapMeshCorner(m.latS));
    east = std::max(east, SnapMeshCorner(m.lonE));
    north = std::max(north, SnapMeshCorner(m.latN));
    cellLon = std::min(cellLon, m.cellLon());
    cellLat = std::min(cellLat, m.cellLat());
  }
  if (cellDegrees > 0) cellLon = cellLat = cellDegrees;
  grid.west = west;
  grid.north = north;
  grid.cellX = cellLon;
  grid.cellY = cellLat;
  // Whole cells; a hair over a whole number is rounding, not another cell.
  grid.cols = std::max(1L, static_cast<long>(std::ceil((east - west) / cellLon - 1e-6)));
  grid.rows = std::max(1L, static_cast<long>(std::ceil((north - south) / cellLat - 1e-6)));
  return grid;
}

bool AlignedPlacement(const MeshExtent& mesh, const RasterGrid& grid, long& col, long& row) {
  const double cellLon = mesh.cellLon(), cellLat = mesh.cellLat();
  if (std::abs(cellLon - grid.cellX) > grid.cellX * 1e-9 ||
      std::abs(cellLat - grid.cellY) > grid.cellY * 1e-9)
    return false;
  const double c = (SnapMeshCorner(mesh.lonW) - grid.west) / grid.cellX;
  const double r = (grid.north - SnapMeshCorner(mesh.latN)) / grid.cellY;
  if (std::abs(c - std::round(c)) > 1e-6 || std::abs(r - std::round(r)) > 1e-6) return false;
  col = std::lround(c);
  row = std::lround(r);
  return true;
}

bool DrawsBefore(const DemRank& a, const DemRank& b) {
  // Cells equal to a part in a million are one cell size.
  if (std::abs(a.cell - b.cell) > 1e-6 * std::max(a.cell, b.cell)) return a.cell > b.cell;
  return a.product > b.product;
}

char DemProductLetter(std::string_view name) {
  const std::string upper = DemNameKey(name);
  const size_t dem = upper.find("-DEM");
  if (dem == std::string::npos) return ' ';
  size_t at = dem + 4;
  while (at < upper.size() && std::isdigit(static_cast<unsigned char>(upper[at]))) ++at;
  return at < upper.size() && std::isalpha(static_cast<unsigned char>(upper[at])) ? upper[at] : ' ';
}

std::string DemNameKey(std::string_view name) {
  std::string upper(name);
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return upper;
}

}  // namespace velkaro
