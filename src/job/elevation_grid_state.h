#pragma once
// The current tile's elevation grid as job state: its geometry, its window
// over the tile and its statistics. The values themselves lie in the first
// GridCols x GridRows entries of the cell pool; building and reading the grid
// is the elevation stage's work.

#include <cstdint>

#include "job/cell_buffer.h"

namespace velkaro {

// The value of a grid cell without an elevation, before the datum correction
// is added: below every real height.
inline constexpr double kNoElevation = -9999;
// The water level of a still image, before the datum correction: above the
// no-data value and below every real height, so every cell with data is dry.
inline constexpr double kDryWaterLevel = -9998;
// No height on or under the Earth's surface comes near this many metres
// either way; a source value beyond it is damage, not terrain (and would
// stretch the legend and the contour levels without end).
inline constexpr double kMostElevation = 20000;

// Geometry and statistics of the current tile's grid. Angles are degrees.
struct ElevationGrid {
  double cellLon = 1.0 / 18000, cellLat = 1.0 / 18000;
  double tileLonW = 0, tileLonE = 0, tileLatS = 0, tileLatN = 0;  // snapped tile box
  double gridLonW = 0, gridLonE = 0, gridLatS = 0, gridLatN = 0;  // grid extent
  int gridCols = 0, gridRows = 0;
  int winCol0 = 0, winCol1 = 0, winRow0 = 0, winRow1 = 0;         // tile window
  double elevMax = -1e308, elevMin = 1e308;  // over the tile window

  int64_t cellCount() const { return int64_t(gridCols) * gridRows; }
  // Whether any cell of the tile window holds an elevation above the no-data
  // value (shifted by the datum correction): a sea tile or unreadable DEM
  // files leave none.
  bool hasData(double datumOffset) const { return elevMax > datumOffset + kDryWaterLevel; }
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

}  // namespace velkaro
