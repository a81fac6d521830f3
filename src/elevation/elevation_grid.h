#pragma once
// The per-tile elevation grid: a regular latitude/longitude raster over the
// tile's geographic box plus a pad (and, for depression-aware contours, a
// margin), kept in the first GridCols x GridRows entries of the CellBuffer.

#include <cstdint>

#include "job/cell_buffer.h"
#include "job/elevation_grid_state.h"
#include "job/job_settings.h"

namespace velkaro {

struct JobContext;

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
