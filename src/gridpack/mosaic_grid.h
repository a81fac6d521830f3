#pragma once
// The geometry of a DEM mosaic: the output grid over the meshes of a folder
// and where each mesh lands in it. Pure functions of plain values.

#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

// One DEM mesh as its header states it (degrees; cell edges, not centres).
struct MeshExtent {
  double lonW = 0, latS = 0, lonE = 0, latN = 0;
  long cols = 0, rows = 0;
  double cellLon() const;
  double cellLat() const;
};

// A north-up raster grid: the top-left corner, the cell size and the size.
struct RasterGrid {
  double west = 0, north = 0;
  double cellX = 0, cellY = 0;
  long cols = 0, rows = 0;
};

// The corners in the files carry nine decimals ("35.258333333"); snapping to
// the mesh lattice (whole 1/400 arc-seconds) gives back the exact corner.
double SnapMeshCorner(double degrees);

// The cell size of `cells` over `span` degrees, snapped to whole lattice
// steps when it is that up to rounding (0.2" and not 0.2000000000014").
double MeshCellSize(double span, long cells);

// The geographic grid over all meshes: their union, snapped to exact mesh
// corners, in cells of the finest mesh, or of `cellDegrees` when positive
// (then the east and south edges reach past the union to whole cells).
RasterGrid GeographicMosaicGrid(const std::vector<MeshExtent>& meshes, double cellDegrees);

// The top-left cell of `mesh` in `grid` when the mesh's cells are the grid's
// cells (same size, on the lattice); false when it must be resampled.
bool AlignedPlacement(const MeshExtent& mesh, const RasterGrid& grid, long& col, long& row);

// The drawing order of DEM files: coarse before fine and, for one cell size,
// product C before B before A, so that the better source is written last
// and its values win where it has them. Earlier tiers fill its holes.
struct DemRank {
  double cell = 0;     // degrees, north-south
  char product = ' ';  // 'A', 'B', 'C' from "DEM5A" and the like
};
bool DrawsBefore(const DemRank& a, const DemRank& b);

// The product letter of a DEM file name ("FG-GML-...-DEM5A-2016.xml" -> 'A').
char DemProductLetter(std::string_view fileName);

// The upper-cased file name: two files of one mesh and product differ only
// in the date that follows, so the greater name is the newer file.
std::string DemNameKey(std::string_view fileName);

}  // namespace velkaro
