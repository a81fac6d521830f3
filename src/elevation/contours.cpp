#include "elevation/contours.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace velkaro {

namespace {

// Thick-line heights by `alti/lineweight`; index 0 draws every line thin.
constexpr double kThickEvery[] = {0.01, 1, 5, 10, 50, 100, 500, 1000};

enum class Edge { Top, Bottom, Left, Right };

// Corner bits of a cell square: a set bit is a corner at or above the level.
constexpr int kTLBit = 8, kTRBit = 4, kBRBit = 2, kBLBit = 1;

enum class Turn { None, Right, Left, Stop };

struct Step {
  Edge exit;
  Turn turn;
};

// The exit edge that keeps the higher ground on the right.
Step ChooseExit(int mask, Edge entered) {
  switch (mask) {
    case kTLBit: return {Edge::Left, Turn::Right};
    case kTRBit: return {Edge::Top, Turn::Right};
    case kBRBit: return {Edge::Right, Turn::Right};
    case kBLBit: return {Edge::Bottom, Turn::Right};
    case kTRBit | kBRBit | kBLBit: return {Edge::Top, Turn::Left};      // TL low
    case kTLBit | kBRBit | kBLBit: return {Edge::Right, Turn::Left};    // TR low
    case kTLBit | kTRBit | kBLBit: return {Edge::Bottom, Turn::Left};   // BR low
    case kTLBit | kTRBit | kBRBit: return {Edge::Left, Turn::Left};     // BL low
    case kTLBit | kBLBit: return {Edge::Bottom, Turn::None};
    case kTRBit | kBRBit: return {Edge::Top, Turn::None};
    case kTLBit | kTRBit: return {Edge::Left, Turn::None};
    case kBLBit | kBRBit: return {Edge::Right, Turn::None};
    // Saddles: turn round the high corner next to the entry edge, so the two
    // high corners stay apart.
    case kTLBit | kBRBit: return {entered == Edge::Top ? Edge::Left : Edge::Right, Turn::Right};
    case kTRBit | kBLBit: return {entered == Edge::Left ? Edge::Bottom : Edge::Top, Turn::Right};
    default: return {Edge::Top, Turn::Stop};
  }
}

Edge EnteredEdge(CellIndex cell, CellIndex from) {
  if (from.row < cell.row) return Edge::Top;
  if (from.row > cell.row) return Edge::Bottom;
  if (from.col < cell.col) return Edge::Left;
  return Edge::Right;
}

CellIndex Beyond(CellIndex cell, Edge edge) {
  switch (edge) {
    case Edge::Top: return {cell.row - 1, cell.col};
    case Edge::Bottom: return {cell.row + 1, cell.col};
    case Edge::Left: return {cell.row, cell.col - 1};
    default: return {cell.row, cell.col + 1};
  }
}

double Fraction(double from, double to, double level) { return (from - level) / (from - to); }

}  // namespace

int ContourLineWidth(double level, int lineweight) {
  if (lineweight <= 0 || lineweight > 7) return 1;
  const double every = kThickEvery[lineweight];
  // Levels are built by repeated subtraction, so a level meant to be 100 may
  // be a hair below it; the nearest multiple decides.
  return std::fabs(level - std::round(level / every) * every) < 0.001 ? 3 : 1;
}

void ContourTracer::markEdges(const CellPair* points, int64_t count, double serial) {
  for (int64_t i = 0; i < count; ++i) {
    const double y = std::round(points[i].y);
    if (std::fabs(points[i].y - y) >= 1e-7) continue;
    const int r = static_cast<int>(y), c = static_cast<int>(std::floor(points[i].x + 1e-7));
    if (r >= 0 && r < grid_.gridRows && c >= 0 && c < grid_.gridCols)
      cells_[static_cast<int64_t>(r) * grid_.gridCols + c].y = serial;
  }
}

TraceOutcome ContourTracer::TraceContour(CellIndex start, CellIndex entry, double x0, double y0,
                                         double level) {
  CellPair* line = store_.base() + store_.end();
  CellPair* points = line + 1;
  int64_t h = 0;
  auto append = [&](double x, double y) {
    if (store_.end() + h + 3 >= store_.capacity()) return false;
    points[h++] = CellPair{x, y};
    return true;
  };
  if (!append(x0, y0)) return TraceOutcome::StoreFull;

  const int lastCol = grid_.gridCols - 2, lastRow = grid_.gridRows - 2;
  // Each cell holds at most two segments of a level; a longer walk is a loop.
  const int64_t stepLimit = 2 * grid_.cellCount() + 4;
  int rightTurns = 0, leftTurns = 0;
  bool closed = false;
  CellIndex cell = start, from = entry;
  for (int64_t steps = 0; steps < stepLimit; ++steps) {
    if (cell.row < 0 || cell.row > lastRow || cell.col < 0 || cell.col > lastCol) break;
    const double tl = v(cell.row, cell.col), tr = v(cell.row, cell.col + 1);
    const double bl = v(cell.row + 1, cell.col), br = v(cell.row + 1, cell.col + 1);
    const int mask = (tl >= level ? kTLBit : 0) | (tr >= level ? kTRBit : 0) |
                     (br >= level ? kBRBit : 0) | (bl >= level ? kBLBit : 0);
    const Step step = ChooseExit(mask, EnteredEdge(cell, from));
    if (step.turn == Turn::Stop) break;
    if (step.turn == Turn::Right) ++rightTurns;
    if (step.turn == Turn::Left) ++leftTurns;
    double x = 0, y = 0;
    switch (step.exit) {
      case Edge::Top: x = Fraction(tl, tr, level); break;
      case Edge::Bottom: x = Fraction(bl, br, level); y = 1; break;
      case Edge::Left: y = Fraction(tl, bl, level); break;
      case Edge::Right: x = 1; y = Fraction(tr, br, level); break;
    }
    if (!append(cell.col + x, cell.row + y)) return TraceOutcome::StoreFull;
    const CellIndex next = Beyond(cell, step.exit);
    if (next.row < 0 || next.row > lastRow || next.col < 0 || next.col > lastCol) break;
    if (next == entry) {
      closed = true;
      break;
    }
    from = cell;
    cell = next;
  }

  const int flag = !closed ? kOpenLine : leftTurns > rightTurns ? kDepression : kHill;
  line[0] = CellPair{static_cast<double>(h), static_cast<double>(flag)};
  markEdges(points, h, serial_);

  const bool target = filter_.taisyo == kContoursAll ||
                      (filter_.taisyo == kContoursOutsideDepressions ? flag >= 0 : flag < 0);
  const bool longEnough = h >= (int64_t{1} << (filter_.syoryaku + 1));
  bool inside = false;
  for (int64_t i = 0; i < h && !inside; ++i)
    inside = points[i].x > grid_.winCol0 && points[i].x < grid_.winCol1 &&
             points[i].y > grid_.winRow0 && points[i].y < grid_.winRow1;
  if (!(target && longEnough && inside)) return TraceOutcome::Dropped;
  store_.commit(h + 1);
  return TraceOutcome::Kept;
}

void ContourTracer::indexBlocks() {
  indexed_ = true;
  const int c0 = grid_.winCol0, c1 = grid_.winCol1, r0 = grid_.winRow0;
  const int rows = std::max(std::min(grid_.winRow1 - 1, grid_.gridRows - 1) - r0, 0);
  blocksPerRow_ = std::max((c1 - 1 - c0 + kBlockCells - 1) / kBlockCells, 0);
  blockLow_.assign(static_cast<size_t>(rows) * static_cast<size_t>(blocksPerRow_), 0);
  blockHigh_.assign(blockLow_.size(), 0);
  constexpr double kLowest = -std::numeric_limits<double>::infinity();
  for (int r = r0; r < r0 + rows; ++r)
    for (int b = 0; b < blocksPerRow_; ++b) {
      const int first = c0 + b * kBlockCells, last = std::min(first + kBlockCells, c1 - 1);
      double low = std::numeric_limits<double>::infinity(), high = kLowest;
      for (int c = first; c <= last; ++c) {
        const double z = v(r, c);
        const double value = z == z ? z : kLowest;   // no value is never high
        low = std::min(low, value);
        high = std::max(high, value);
      }
      const size_t i = static_cast<size_t>(r - r0) * static_cast<size_t>(blocksPerRow_) + b;
      blockLow_[i] = low;
      blockHigh_[i] = high;
    }
}

TraceOutcome ContourTracer::TraceLevel(double level, double serial,
                                       const std::function<bool()>& afterTrace) {
  serial_ = serial;
  if (!indexed_) indexBlocks();
  const int c0 = grid_.winCol0, c1 = grid_.winCol1, r0 = grid_.winRow0, r1 = grid_.winRow1;
  TraceOutcome stop = TraceOutcome::Kept;
  auto trace = [&](CellIndex start, CellIndex entry, double x, double y) {
    if (TraceContour(start, entry, x, y, level) == TraceOutcome::StoreFull)
      stop = TraceOutcome::StoreFull;
    else if (afterTrace && !afterTrace())
      stop = TraceOutcome::Aborted;
    return stop == TraceOutcome::Kept;
  };
  auto isHigh = [&](int r, int c) { return v(r, c) >= level; };

  for (int c = c0; c + 1 < c1; ++c)   // top row: entering southward
    if (isHigh(r0, c) && !isHigh(r0, c + 1) &&
        !trace({r0, c}, {r0 - 1, c}, c + Fraction(v(r0, c), v(r0, c + 1), level), r0))
      return stop;
  for (int c = c0; c + 1 < c1 && r1 >= 2; ++c)   // bottom row: entering northward
    if (!isHigh(r1 - 1, c) && isHigh(r1 - 1, c + 1) &&
        !trace({r1 - 2, c}, {r1 - 1, c}, c + Fraction(v(r1 - 1, c), v(r1 - 1, c + 1), level), r1 - 1))
      return stop;
  for (int r = r0; r + 1 < r1; ++r)   // left column: entering eastward
    if (!isHigh(r, c0) && isHigh(r + 1, c0) &&
        !trace({r, c0}, {r, c0 - 1}, c0, r + Fraction(v(r, c0), v(r + 1, c0), level)))
      return stop;
  for (int r = r0; r + 1 < r1 && c1 >= 2; ++r)   // right column: entering westward
    if (isHigh(r, c1 - 1) && !isHigh(r + 1, c1 - 1) &&
        !trace({r, c1 - 2}, {r, c1 - 1}, c1 - 1, r + Fraction(v(r, c1 - 1), v(r + 1, c1 - 1), level)))
      return stop;
  // Interior: lines that never reach the border. The last node row of the
  // window is scanned too, or a hill round a node on it would be lost.
  for (int r = r0; r + 1 < r1 && r <= grid_.gridRows - 2; ++r)
    for (int b = 0; b < blocksPerRow_; ++b) {
      if (blockMisses(r, b, level)) continue;
      const int first = c0 + b * kBlockCells, end = std::min(first + kBlockCells, c1 - 1);
      for (int c = first; c < end; ++c)
        if (isHigh(r, c) && !isHigh(r, c + 1) && !marked(r, c, serial) &&
            !trace({r, c}, {r - 1, c}, c + Fraction(v(r, c), v(r, c + 1), level), r))
          return stop;
    }
  return TraceOutcome::Kept;
}

}  // namespace velkaro
