#pragma once
// The one pool of (x, y) double pairs shared, one after the other within a
// tile, by the polygon readers (vertex pairs), the elevation grid (first value
// of each entry) and the contour store behind the grid. It lives for the
// program and is re-sized only between jobs.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "platform/huge_pages.h"

namespace velkaro {

struct CellPair {
  double x;
  double y;
};

class CellBuffer {
 public:
  static constexpr int32_t kStep = 2097152;   // entries per budget step (2^21)
  static constexpr int kDefaultSteps = 1;
  static constexpr int kDefaultMeshShare = 8;

  CellBuffer() { ResizeCellBuffer(kDefaultSteps, kDefaultMeshShare); }

  // Sets CellBudget = steps x kStep and MeshShare = share; contents are lost
  // (all pairs 0). Throws std::bad_alloc when the memory cannot be had (the
  // pool is then empty).
  void ResizeCellBuffer(int steps, int share) {
    pool_.reset();
    budget_ = 0;
    meshShare_ = share;
    const size_t entries = static_cast<size_t>(std::max(steps, 0)) * kStep;
    // Zeroed pages straight from the system: a page costs only once a tile
    // uses it, not at every program start (each worker makes a pool).
    auto* cells = static_cast<CellPair*>(std::calloc(entries, sizeof(CellPair)));
    if (!cells && entries > 0) throw std::bad_alloc();
    PreferHugePages(cells, entries * sizeof(CellPair));
    pool_.reset(cells);
    budget_ = static_cast<int32_t>(entries);
  }
  // Back to one step and MeshShare 8, as after every job.
  void reset() { ResizeCellBuffer(kDefaultSteps, kDefaultMeshShare); }

  int32_t budget() const { return budget_; }
  int meshShare() const { return meshShare_; }
  CellPair* data() { return pool_.get(); }
  const CellPair* data() const { return pool_.get(); }
  CellPair& operator[](size_t i) { return pool_[i]; }

 private:
  struct FreeCells {
    void operator()(CellPair* cells) const { std::free(cells); }
  };
  std::unique_ptr<CellPair[], FreeCells> pool_;
  int32_t budget_ = 0;
  int meshShare_ = kDefaultMeshShare;
};

}  // namespace velkaro
