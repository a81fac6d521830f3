#pragma once
// What drawing one tile's contours starts from, shared by the plain lines
// and the filled depressions: the levels, each level's line style, the
// store of traced lines in the cell pool, and the walk over stored lines.

#include <cstdint>
#include <vector>

#include "elevation/auto_legend.h"
#include "elevation/contours.h"
#include "elevation/grid_projector.h"
#include "render/colours.h"
#include "render/primitives.h"

namespace velkaro {

struct JobContext;

// Every legend level from the one under the grid's highest elevation down
// to its lowest, or only the water level in a flood frame.
struct ContourLevels {
  Legend legend;
  double first = 0, lowest = 0;
  bool any() const { return legend.interval > 0; }
};
ContourLevels ContourLevelsOf(const JobContext& ctx);

struct LevelStyle {
  float width = 1;
  Colour levelColour = 0;   // the level's legend colour (a depression's fill)
  Colour outline = 0;       // black over the mesh or round a fill, else the level's colour
};
LevelStyle LevelStyleOf(const JobContext& ctx, const Legend& legend, double level);

// Shows a level in hand on the host; a level whose lines did not fit the
// store stops the job with a warning. False when no more levels are to be
// drawn (that, or an aborted level).
bool ShowContourLevel(JobContext& ctx, double level, TraceOutcome outcome);

// The grid's edge marks cleared and a store over the pool after the grid.
ContourStore ClearedContourStore(JobContext& ctx);

// The tile's tracer over the grid in the pool.
ContourTracer TracerOf(JobContext& ctx, ContourStore& store);

// Hands each stored line of one level to `draw` as its projected vertices
// and whether it is closed.
template <class Draw>
void ForEachStoredLine(const GridProjector& projector, const std::vector<CellPair>& store, double level,
                       std::vector<TessVertex>& ring, Draw&& draw) {
  const CellPair* entry = store.data();
  const CellPair* end = store.data() + store.size();
  while (entry < end) {
    const int64_t h = static_cast<int64_t>(entry[0].x);
    if (h < 0 || h > end - entry - 1) break;   // the tracer writes whole entries; never read past them
    const bool closed = entry[0].y != kOpenLine;
    const CellPair* points = entry + 1;
    ring.resize(static_cast<size_t>(h));
    for (int64_t i = 0; i < h; ++i) {
      const PlaneXY xy = projector.at(points[i].x, points[i].y);
      ring[static_cast<size_t>(i)] = TessVertex{xy.y, xy.x, level};
    }
    draw(ring, closed);
    entry += h + 1;
  }
}

}  // namespace velkaro
