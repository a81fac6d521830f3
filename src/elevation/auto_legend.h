#pragma once
// Legend steps of a tile: the bottom elevation and the interval of its colour
// classes and contour levels, computed from the tile's elevations (still
// images) or from the animation's water levels.

#include <string>

#include "elevation/elevation_grid.h"

namespace velkaro {

struct JobContext;

struct Legend {
  double interval = 1.0;   // metres
  double bottom = 0.0;     // metres
};

struct LegendOptions {
  int steps = 16;           // LegendSteps n
  int kamen = 2;            // 0..10, how much of the tile the lowest class takes
  int kankaku = 5;          // 0..10, interval scale (5 = as computed)
  bool contourSource = false;
  int lineweight = 0;       // thick-line choice 0..7
};

// The legend of a still image from the valid cells strictly inside the tile
// window (off its first and last rows and columns).
Legend StillImageLegend(const GridValues& values, const ElevationGrid& grid, double datumOffset,
                        const LegendOptions& options);

// The legend of a flood animation: `steps` even intervals from btm to top.
Legend AnimationLegend(double top, double btm, int steps);

// Rounds a raw interval to the allowed values: the 1-2-5 ladder without thick
// contour lines, else the values that divide the thick-line height.
double RoundLegendInterval(double interval, bool contourSource, int lineweight);

// The shortest decimal text that reads back as the same double.
std::string ShortestDecimal(double value);

// Computes the legend of tile (row, col) in automatic mode and writes it into
// the tile's cells of both legend grids (job units) and the legend tables.
void AutoLegend(JobContext& ctx, int row, int col);

}  // namespace velkaro
