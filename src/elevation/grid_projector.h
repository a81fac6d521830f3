#pragma once
// Plane positions of points given in grid units (column, row; the centre of
// cell (r, c) is (c, r)). Exact conversions are made on a lattice about
// every 50 m (every cell for coarse grids) and interpolated between: over
// such a square the projection bends by well under a millimetre, and a
// contour of many thousand points costs a handful of conversions.

#include <vector>

#include "job/coordinates.h"
#include "job/job_context.h"

namespace velkaro {

class GridProjector {
 public:
  // Cells between exact conversions: about 50 m of ground, at most 8 cells.
  static int SpacingFor(double cellLat) {
    const int cells = static_cast<int>(50.0 / (cellLat * 111000.0));
    return cells < 1 ? 1 : cells > 8 ? 8 : cells;
  }

  explicit GridProjector(JobContext& ctx) : grid_(ctx.elevGrid), spacing_(SpacingFor(ctx.elevGrid.cellLat)) {
    cols_ = grid_.gridCols / spacing_ + 2;
    rows_ = grid_.gridRows / spacing_ + 2;
    lattice_.resize(static_cast<size_t>(cols_) * rows_);
    for (int j = 0; j < rows_; ++j) {
      const ParallelProjection parallel(ctx.coords, grid_.gridLatN - (j * spacing_ + 0.5) * grid_.cellLat);
      for (int i = 0; i < cols_; ++i)
        lattice_[static_cast<size_t>(j) * cols_ + i] = parallel.at(grid_.gridLonW + (i * spacing_ + 0.5) * grid_.cellLon);
    }
  }

  PlaneXY at(double x, double y) const {
    const double fx = x / spacing_, fy = y / spacing_;
    int i = static_cast<int>(fx), j = static_cast<int>(fy);
    i = i < 0 ? 0 : i > cols_ - 2 ? cols_ - 2 : i;
    j = j < 0 ? 0 : j > rows_ - 2 ? rows_ - 2 : j;
    const double u = fx - i, v = fy - j;
    const PlaneXY& a = lattice_[static_cast<size_t>(j) * cols_ + i];
    const PlaneXY& b = lattice_[static_cast<size_t>(j) * cols_ + i + 1];
    const PlaneXY& c = lattice_[static_cast<size_t>(j + 1) * cols_ + i];
    const PlaneXY& d = lattice_[static_cast<size_t>(j + 1) * cols_ + i + 1];
    return PlaneXY{(1 - v) * ((1 - u) * a.x + u * b.x) + v * ((1 - u) * c.x + u * d.x),
                   (1 - v) * ((1 - u) * a.y + u * b.y) + v * ((1 - u) * c.y + u * d.y)};
  }

 private:
  const ElevationGrid& grid_;
  const int spacing_;
  int cols_ = 0, rows_ = 0;
  std::vector<PlaneXY> lattice_;
};

}  // namespace velkaro
