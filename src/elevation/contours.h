#pragma once
// Contour lines of the current tile's grid: traced level by level with the
// higher ground kept on the right, closed lines told apart as hills or
// depressions by their turns, filtered and drawn.

#include <cstdint>
#include <functional>
#include <vector>

#include "elevation/elevation_grid.h"
#include "job/job_settings.h"

namespace velkaro {

struct JobContext;

// Lines of one level, kept behind the grid in the CellBuffer: a header entry
// (point count, closure flag) followed by the points (column, row) in grid units.
class ContourStore {
 public:
  ContourStore(CellPair* base, int64_t capacity) : base_(base), capacity_(capacity) {}
  void clear() { end_ = 0; }
  int64_t end() const { return end_; }
  int64_t capacity() const { return capacity_; }
  CellPair* base() { return base_; }
  const CellPair* base() const { return base_; }
  void commit(int64_t entries) { end_ += entries; }

 private:
  CellPair* base_;
  int64_t capacity_;
  int64_t end_ = 0;
};

// Closure flags.
inline constexpr int kOpenLine = 0, kHill = 1, kDepression = -1;

struct ContourFilter {
  int taisyo = kContoursAll;   // ContourTarget; both depression-only targets trace the same lines
  int syoryaku = 0;   // keep lines of at least 2^(syoryaku + 1) points
};

// One grid cell square by its top-left node.
struct CellIndex {
  int row, col;
  bool operator==(const CellIndex&) const = default;
};

enum class TraceOutcome { Kept, Dropped, StoreFull, Aborted };

// Traces the contours of one level. `cells` is the grid (values in .x); the
// .y of each grid entry marks horizontal edges already traced at this level.
class ContourTracer {
 public:
  ContourTracer(CellPair* cells, const ElevationGrid& grid, ContourStore& store,
                const ContourFilter& filter)
      : cells_(cells), grid_(grid), store_(store), filter_(filter) {}

  // Follows one line from the start point (x0, y0) in grid units on the edge
  // between `start` and `entry`, appending it to the store when it passes the
  // filters.
  TraceOutcome TraceContour(CellIndex start, CellIndex entry, double x0, double y0, double level);

  // All lines of one level that touch the tile window: border starts, then
  // interior starts. `serial` tells this level's edge marks from earlier
  // ones; `afterTrace` returns false to abort. Kept when the level is done.
  TraceOutcome TraceLevel(double level, double serial, const std::function<bool()>& afterTrace);

 private:
  double v(int r, int c) const { return cells_[static_cast<int64_t>(r) * grid_.gridCols + c].x; }
  void markEdges(const CellPair* points, int64_t count, double serial);
  void indexBlocks();
  // Whether the cells of block `b` of row `r` are all on one side of the
  // level (no edge of the block crosses it).
  bool blockMisses(int r, int b, double level) const {
    const size_t i = static_cast<size_t>(r - grid_.winRow0) * static_cast<size_t>(blocksPerRow_) + b;
    return blockHigh_[i] < level || blockLow_[i] >= level;
  }
  bool marked(int r, int c, double serial) const {
    return cells_[static_cast<int64_t>(r) * grid_.gridCols + c].y == serial;
  }

  CellPair* cells_;
  const ElevationGrid& grid_;
  ContourStore& store_;
  ContourFilter filter_;
  double serial_ = 0;
  // The lowest and highest value of each run of kBlockCells + 1 cells of
  // each window row (no-data as minus infinity), so that the search for a
  // level's starts skips the runs the level does not cross. Built at the
  // first level: the grid does not change while its levels are traced.
  static constexpr int kBlockCells = 32;
  bool indexed_ = false;
  int blocksPerRow_ = 0;
  std::vector<double> blockLow_, blockHigh_;
};

// Line width of a level: 3 on multiples of the thick-line height, else 1.
int ContourLineWidth(double level, int lineweight);

}  // namespace velkaro
