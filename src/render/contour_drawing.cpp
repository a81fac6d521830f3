#include "render/contour_drawing.h"

#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "elevation/contours.h"
#include "elevation/grid_projector.h"
#include "elevation/messages.h"
#include "elevation/terrain_mesh.h"
#include "job/job_context.h"
#include "render/colours.h"
#include "render/contour_levels.h"
#include "render/contour_overlay.h"
#include "render/level_tracer.h"
#include "render/primitives.h"
#include "render/render_surface.h"
#include "render/vertex_batch.h"

namespace velkaro {

namespace text = elevation_text;

namespace {

// Draws the lines of one level through GL, each filled depression before its
// outline, as each line's fill precedes its outline.
void DrawStoredLinesWithFills(const GridProjector& projector, const std::vector<CellPair>& store, double level,
                              Colour levelColour, Tessellator& fill, Colour outline,
                              std::vector<TessVertex>& ring, LineStripBatch& lines) {
  gcolor(outline);
  const float z = static_cast<float>(level);
  ForEachStoredLine(projector, store, level, ring, [&](std::vector<TessVertex>& line, bool closed) {
    if (line.size() >= 3) {
      lines.flush();
      gcolor(levelColour);
      fill.beginPolygon();
      fill.beginContour();
      for (TessVertex& vertex : line) fill.vertex(&vertex);
      fill.endContour();
      fill.endPolygon();
      gcolor(outline);
    }
    for (const TessVertex& vertex : line) lines.vertex(static_cast<float>(vertex.x), static_cast<float>(vertex.y), z);
    if (closed && !line.empty()) lines.vertex(static_cast<float>(line[0].x), static_cast<float>(line[0].y), z);
    lines.endStrip();
  });
  lines.flush();
}

// The filled depressions and their outlines, all through GL, level by
// level as the levels are traced (one ahead, on a thread of their own).
void DrawDepressionAreas(JobContext& ctx, const ContourLevels& levels) {
  ctx.host.setLabel(LabelRole::Group, text::kStepContours);
  if (ctx.surface) ctx.surface->beginGL();
  glLineWidth(1);
  ContourStore store = ClearedContourStore(ctx);
  ContourTracer tracer = TracerOf(ctx, store);
  Tessellator tessellator = NewPolygonTessellator();
  std::vector<TessVertex> ring;
  LineStripBatch lines;
  const GridProjector projector(ctx);

  LevelTracer traced(tracer, store, levels.first, levels.lowest, levels.legend.interval, ctx.helperThreads);
  auto pumpWhileTracing = [&] {
    ctx.host.pump();
    if (!ctx.runFlag) traced.stop();
  };
  TracedLevel level;
  for (;;) {
    ctx.host.pump();
    if (!ctx.runFlag) break;
    if (!traced.next(level, pumpWhileTracing)) break;
    if (!ShowContourLevel(ctx, level.level, level.outcome) || !ctx.runFlag) break;
    const LevelStyle style = LevelStyleOf(ctx, levels.legend, level.level);
    glLineWidth(style.width);
    DrawStoredLinesWithFills(projector, level.lines, level.level, style.levelColour, tessellator, style.outline, ring,
                             lines);
  }
  traced.stop();
  glLineWidth(1);
  ctx.host.setLabel(LabelRole::Group, "");
}

}  // namespace

void DrawContours(JobContext& ctx) {
  const ElevationGrid& g = ctx.elevGrid;
  if (!ctx.runFlag || g.gridCols < 2 || g.gridRows < 2) return;
  const ContourLevels levels = ContourLevelsOf(ctx);
  if (!levels.any()) return;
  if (ContoursArePlainLines(ctx))
    ContourOverlay(ctx, ContourOverlay::Target::Image).finish();
  else
    DrawDepressionAreas(ctx, levels);
}

}  // namespace velkaro
