#pragma once
// The per-tile elevation grid: a regular latitude/longitude raster over the
// tile's geographic box plus a pad (and, for depression-aware contours, a
// margin), kept in the first GridCols x GridRows entries of the CellBuffer.

#include <cstdint>

#include "elevation/cell_buffer.h"
#include "job/job_settings.h"

namespace velkaro {

struct JobContext;

// Geometry and statistics of the current tile's grid. Angles are degrees.
struct ElevationGrid {
  double cellLon = 1.0 / 18000, cellLat = 1.0 / 18000;
  double tileLonW = 0, tileLonE = 0, tileLatS = 0, tileLatN = 0;  // snapped tile box
  double gridLonW = 0, gridLonE = 0, gridLatS = 0, gridLatN = 0;  // grid extent
  int gridCols = 0, gridRows = 0;
  int winCol0 = 0, winCol1 = 0, winRow0 = 0, winRow1 = 0;         // tile window
  double elevMax = -1e308, elevMin = 1e308;  // over the tile window

  int64_t cellCount() const { return int64_t(gridCols) * gridRows; }
  bool inWindow(int row, int col) const {
    return col >= winCol0 && col < winCol1 && row >= winRow0 && row < winRow1;
  }
};

// Read-only view of grid values, row 0 north, column 0 west.
struct GridValues {
  const CellPair* cells = nullptr;
  int cols = 0, rows = 0;
  double at(int r, int c) const { return cells[static_cast<int64_t>(r) * cols + c].x; }
};

inline GridValues ValuesOf(const ElevationGrid& g, const CellBuffer& pool) {
  return GridValues{pool.data(), g.gridCols, g.gridRows};
}

// The geographic box of a tile and the outcome of sizing a grid over it.
struct GeoBox {
  double lonW = 0, latS = 0, lonE = 0, latN = 0;
};

enum class GridSizing { Ok, OverBudget, Empty };

// Snaps the box outward to whole cells, widens it by the contour margin when
// asked, sizes the grid against `limitCells` and sets the tile window. The
// elevation statistics are reset. Pure: no pool access, no messages.
GridSizing SizeElevationGrid(const GeoBox& box, double cellLon, double cellLat,
                             bool contourMargin, double limitCells, ElevationGrid& grid);

// Index 0..4 (5 m, 10 m, 50 m, 250 m, ETOPO) of the elevation source in
// effect: the last class on, mesh classes first; -1 when no class is on.
int ElevationSourceIndex(const JobSettings& s);

// The geographic box of the current tile, with the bulge of the northern edge.
GeoBox CurrentTileGeoBox(JobContext& ctx);

// Builds the current tile's grid in the pool and reads the DEM files into it.
// Shows the limit message and clears the run flag when the grid does not fit.
bool PrepareElevationGrid(JobContext& ctx);

}  // namespace velkaro
