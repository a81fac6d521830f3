#include "render/contour_drawing.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "elevation/contours.h"
#include "elevation/grid_projector.h"
#include "elevation/messages.h"
#include "elevation/terrain_mesh.h"
#include "job/job_context.h"
#include "render/colours.h"
#include "render/level_tracer.h"
#include "render/line_raster.h"
#include "render/primitives.h"
#include "render/render_surface.h"
#include "render/vertex_batch.h"

namespace velkaro {

namespace text = elevation_text;

namespace {

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

// Draws the lines of one level straight into the image.
void DrawStoredLines(const GridProjector& projector, const std::vector<CellPair>& store, double level, Colour outline,
                     float width, std::vector<TessVertex>& ring, LineRaster& lines) {
  lines.setColour(outline);
  lines.setWidth(width);
  ForEachStoredLine(projector, store, level, ring, [&](std::vector<TessVertex>& line, bool closed) {
    for (const TessVertex& vertex : line) lines.vertex(vertex.x, vertex.y);
    if (closed && !line.empty()) lines.vertex(line[0].x, line[0].y);
    lines.endStrip();
  });
}

}  // namespace

void DrawContours(JobContext& ctx) {
  const ElevationGrid& g = ctx.elevGrid;
  if (!ctx.runFlag || g.gridCols < 2 || g.gridRows < 2) return;
  const JobSettings& s = ctx.settings;
  const Legend legend = TileLegend(ctx);
  if (!(legend.interval > 0)) return;
  ctx.host.setLabel(LabelRole::Group, text::kStepContours);
  if (ctx.surface) ctx.surface->beginGL();
  glLineWidth(1);

  double level = std::floor((g.elevMax - legend.bottom) / legend.interval) * legend.interval + legend.bottom;
  double lowest = g.elevMin;
  if (s.type == kOutputAnimation) {   // a flood frame draws the shoreline only
    level = ctx.waterLevel;
    lowest = ctx.waterLevel;
  }

  CellPair* cells = ctx.cells.data();
  const int64_t gridEntries = g.cellCount();
  for (int64_t i = 0; i < gridEntries; ++i) cells[i].y = 0;   // no edge traced yet
  ContourStore store(cells + gridEntries, ctx.cells.budget() - gridEntries);
  ContourTracer tracer(cells, g, store, ContourFilter{s.taisyo, s.syoryaku});
  const bool fill = s.taisyo == kDepressionAreas;
  std::optional<Tessellator> tessellator;
  if (fill) tessellator.emplace(NewPolygonTessellator());
  const Colour black = 0;
  std::vector<TessVertex> ring;
  // Depressions are filled through GL between their outlines, so their
  // outlines go through GL too; plain lines are drawn into the image.
  LineStripBatch glLines;
  std::optional<LineRaster> lines;
  if (!fill) lines.emplace(ctx);
  const GridProjector projector(ctx);

  LevelTracer levels(tracer, store, level, lowest, legend.interval);
  auto pumpWhileTracing = [&] {
    ctx.host.pump();
    if (!ctx.runFlag) levels.stop();
  };
  TracedLevel traced;
  for (;;) {
    ctx.host.pump();
    if (!ctx.runFlag) break;
    if (!levels.next(traced, pumpWhileTracing)) break;
    char label[64];
    std::snprintf(label, sizeof label, "%0.2fm", traced.level);
    ctx.host.setLabel(LabelRole::Detail, label);
    if (traced.outcome == TraceOutcome::StoreFull) {
      // The lines of this level are incomplete; the job stops.
      ctx.host.ask(text::kContourStoreFullCaption, text::kContourStoreFull, Buttons::Ok);
      ctx.runFlag = false;
      break;
    }
    if (traced.outcome == TraceOutcome::Aborted || !ctx.runFlag) break;
    const double at = traced.level;
    const float width = static_cast<float>(ContourLineWidth(at, s.lineweight));
    const Colour levelColour = elevcl(ctx.legendSteps, 1.0f, legend.interval, legend.bottom, at, s.iro);
    const Colour outline = s.anyMeshClass() || fill ? black : levelColour;
    if (fill) {
      glLineWidth(width);
      DrawStoredLinesWithFills(projector, traced.lines, at, levelColour, *tessellator, outline, ring, glLines);
    } else {
      DrawStoredLines(projector, traced.lines, at, outline, width, ring, *lines);
    }
  }
  levels.stop();
  if (lines) lines->flush();
  glLineWidth(1);
  ctx.host.setLabel(LabelRole::Group, "");
}

}  // namespace velkaro
