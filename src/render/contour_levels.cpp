#include "render/contour_levels.h"

#include <cmath>
#include <cstdio>

#include "elevation/messages.h"
#include "elevation/terrain_mesh.h"
#include "job/job_context.h"

namespace velkaro {

ContourLevels ContourLevelsOf(const JobContext& ctx) {
  const ElevationGrid& g = ctx.elevGrid;
  ContourLevels levels;
  levels.legend = TileLegend(ctx);
  if (!levels.any()) return levels;
  levels.first = std::floor((g.elevMax - levels.legend.bottom) / levels.legend.interval) * levels.legend.interval +
                 levels.legend.bottom;
  levels.lowest = g.elevMin;
  if (ctx.settings.type == kOutputAnimation) {   // a flood frame draws the shoreline only
    levels.first = ctx.waterLevel;
    levels.lowest = ctx.waterLevel;
  }
  return levels;
}

LevelStyle LevelStyleOf(const JobContext& ctx, const Legend& legend, double level) {
  const JobSettings& s = ctx.settings;
  LevelStyle style;
  style.width = static_cast<float>(ContourLineWidth(level, s.lineweight));
  style.levelColour = elevcl(ctx.legendSteps, 1.0f, legend.interval, legend.bottom, level, s.iro);
  const Colour black = 0;
  style.outline = s.anyMeshClass() || s.taisyo == kDepressionAreas ? black : style.levelColour;
  return style;
}

bool ShowContourLevel(JobContext& ctx, double level, TraceOutcome outcome) {
  char label[64];
  std::snprintf(label, sizeof label, "%0.2fm", level);
  ctx.host.setLabel(LabelRole::Detail, label);
  if (outcome == TraceOutcome::StoreFull) {
    // The lines of this level are incomplete; the job stops.
    ctx.host.ask(elevation_text::kContourStoreFullCaption, elevation_text::kContourStoreFull, Buttons::Ok);
    ctx.runFlag = false;
    return false;
  }
  return outcome != TraceOutcome::Aborted;
}

ContourStore ClearedContourStore(JobContext& ctx) {
  CellPair* cells = ctx.cells.data();
  const int64_t gridEntries = ctx.elevGrid.cellCount();
  for (int64_t i = 0; i < gridEntries; ++i) cells[i].y = 0;   // no edge traced yet
  return ContourStore(cells + gridEntries, ctx.cells.budget() - gridEntries);
}

ContourTracer TracerOf(JobContext& ctx, ContourStore& store) {
  const JobSettings& s = ctx.settings;
  return ContourTracer(ctx.cells.data(), ctx.elevGrid, store, ContourFilter{s.taisyo, s.syoryaku});
}

}  // namespace velkaro
