#pragma once
// The rules of the range selection window that need no widgets: the tile
// grid and the fits flag of a selection, the rounding of "範囲決定", the
// view's zoom and fit, the level of the mesh display and its code labels.

#include <string>

#include "job/job_context.h"
#include "job/job_settings.h"

namespace velkaro {

// A rectangle in PlaneXY of the job (easting west/east, northing south/north).
struct PlaneBox {
  double west = 0, east = 0, south = 0, north = 0;
  double width() const { return east - west; }
  double height() const { return north - south; }
};

// Edges swapped where reversed.
PlaneBox Normalised(PlaneBox box);

struct RangeDivision {
  int rows = 1;      // 縦分割数, 1 … 18277
  int cols = 1;      // 横分割数, 1 … 256
  int kasane = 0;    // 重ね(%), 0 … 50
};

// What decides whether one tile fits the elevation budget.
struct BudgetInput {
  double cellSizeX = 1, cellSizeY = 1;   // elevation cell size in job units
  bool anyMeshClass = false;
  bool anyContourClass = false;
  double cellBudget = 2097152;          // CellBudget, entries
  int meshShare = 8;
};
BudgetInput BudgetInputOf(const JobContext& job);

// Tile sizes and steps of the selection cut by the division.
TileGrid RangeTileGrid(const PlaneBox& selection, const RangeDivision& division);

// True when one tile of the grid fits: always without an elevation class;
// with a mesh class when its cells stay below 97 % of the budget; with a
// contour class (which decides when both are on) below 97 % of the share of
// the budget the elevation grid may use.
bool overcheck(const TileGrid& grid, const BudgetInput& budget);

// The edges "範囲決定" writes into the main window, with the division.
struct RangeChoice {
  std::string kita, minami, nisi, higasi;
  RangeDivision division;
};
// In lat/lon mode the edges as "%10.6f". Otherwise a selection narrower or
// lower than 1 unit is first widened to UnitScale, then the edges are
// rounded inward to whole units; where that closes the area, the east (north)
// edge is put UnitScale beyond the west (south) one.
RangeChoice DecideRange(const PlaneBox& selection, const RangeDivision& division,
                        bool latLonMode, double unitScale);
// Writes the edges and the division into the settings.
void ApplyRangeChoice(JobSettings& settings, const RangeChoice& choice);

// Every edge moved to `factor` of its distance from the point (x east, y north).
PlaneBox ZoomAround(const PlaneBox& view, double x, double y, double factor);

// The view widened or heightened about its centre so that, with eastings
// shrunk by latFactor, it has the aspect of a width x height client.
PlaneBox FitToAspect(const PlaneBox& view, int width, int height, double latFactor);

// Level of the mesh display for a visible height h (metres in plane mode,
// degrees in lat/lon mode): 1 above 120,000 m (1.5 degrees), 2 above
// 11,000 m (0.12 degrees), else 3.
int MeshDisplayLevel(double visibleHeight, bool latLonMode);

// The code of the mesh cell at a point as the display labels it: the first
// 4, 6 or 8 digits.
std::string MeshLabelCode(double lat, double lon, int digits);

}  // namespace velkaro
