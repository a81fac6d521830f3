#pragma once
// The one pool of (x, y) double pairs shared, one after the other within a
// tile, by the polygon readers (vertex pairs), the elevation grid (first value
// of each entry) and the contour store behind the grid. It lives for the
// program and is re-sized only between jobs.

#include <cstddef>
#include <cstdint>
#include <vector>

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

  // Sets CellBudget = steps x kStep and MeshShare = share; contents are lost.
  void ResizeCellBuffer(int steps, int share) {
    budget_ = steps * kStep;
    meshShare_ = share;
    pool_.assign(static_cast<size_t>(budget_), CellPair{0.0, 0.0});
  }
  // Back to one step and MeshShare 8, as after every job.
  void reset() { ResizeCellBuffer(kDefaultSteps, kDefaultMeshShare); }

  int32_t budget() const { return budget_; }
  int meshShare() const { return meshShare_; }
  CellPair* data() { return pool_.data(); }
  const CellPair* data() const { return pool_.data(); }
  CellPair& operator[](size_t i) { return pool_[i]; }

 private:
  std::vector<CellPair> pool_;
  int32_t budget_ = 0;
  int meshShare_ = kDefaultMeshShare;
};

}  // namespace velkaro
