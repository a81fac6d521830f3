#pragma once
// Legend steps of a tile: the bottom elevation and the interval of its colour
// classes and contour levels, computed from the tile's elevations (still
// images) or from the animation's water levels.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

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

// The legend of still images from any collection of valid elevations
// (metres, datum correction applied), by the same rules.
Legend LegendOfElevations(const std::vector<double>& elevations, const LegendOptions& options);

// An even sample of the valid elevations of many tiles, bounded in size: when
// it is full, every other value is dropped and only every other value added
// from then on.
class ElevationSample {
 public:
  explicit ElevationSample(size_t limit = 4'000'000) : limit_(std::max<size_t>(limit, 2)) {}
  void add(double elevation);
  // The cells strictly inside the tile window, as StillImageLegend counts them.
  void addTileWindow(const GridValues& values, const ElevationGrid& grid, double datumOffset);
  std::vector<double> values;

 private:
  size_t limit_;
  uint64_t stride_ = 1, seen_ = 0;
};

// The legend of a flood animation: `steps` even intervals from btm to top.
Legend AnimationLegend(double top, double btm, int steps);

// Rounds a raw interval to the allowed values: the 1-2-5 ladder without thick
// contour lines, else the values that divide the thick-line height.
double RoundLegendInterval(double interval, bool contourSource, int lineweight);

// The shortest decimal text that reads back as the same double.
std::string ShortestDecimal(double value);

// The options of a still image's automatic legend from the job's settings.
LegendOptions StillLegendOptions(const JobContext& ctx);

// Computes the legend of tile (row, col) in automatic mode and writes it into
// the tile's cells of both legend grids (job units) and the legend tables.
void AutoLegend(JobContext& ctx, int row, int col);

// Writes legend into tile (row, col)'s cells of both legend grids (job units,
// shortest decimals or the texts given) and into the legend tables.
void StoreTileLegend(JobContext& ctx, int row, int col, const Legend& legend);
void StoreTileLegend(JobContext& ctx, int row, int col, const Legend& legend, const std::string& intervalText,
                     const std::string& bottomText);

}  // namespace velkaro
