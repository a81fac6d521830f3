#include "render/terrain_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "elevation/grid_projector.h"
#include "elevation/messages.h"
#include "elevation/terrain_mesh.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "render/colours.h"
#include "render/render_surface.h"
#include "render/triangle_raster.h"

namespace velkaro {

namespace {

namespace text = elevation_text;

// Plane positions of the cell centres of one grid row. Exact conversions are
// made about every 50 m (as GridProjector does) and the centres between are
// interpolated: along a parallel the position bends by well under a
// millimetre over that span.
void ProjectRow(JobContext& ctx, int row, std::vector<PlaneXY>& out) {
  const ElevationGrid& g = ctx.elevGrid;
  const int exactEvery = GridProjector::SpacingFor(g.cellLat);
  const double lat = g.gridLatN - (row + 0.5) * g.cellLat;
  out.resize(static_cast<size_t>(g.gridCols));
  auto exact = [&](int c) { out[static_cast<size_t>(c)] = bltoxy(ctx.coords, g.gridLonW + (c + 0.5) * g.cellLon, lat); };
  const int last = g.gridCols - 1;
  exact(0);
  for (int c0 = 0; c0 < last; c0 += exactEvery) {
    const int c1 = std::min(c0 + exactEvery, last);
    exact(c1);
    const PlaneXY a = out[static_cast<size_t>(c0)], b = out[static_cast<size_t>(c1)];
    for (int c = c0 + 1; c < c1; ++c) {
      const double t = double(c - c0) / (c1 - c0);
      out[static_cast<size_t>(c)] = PlaneXY{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    }
  }
}

void ShowPercent(JobContext& ctx, int row) {
  const int rows = std::max(ctx.elevGrid.gridRows - 2, 1);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0.0f%%", double(row) / rows * 100);
  ctx.host.setLabel(LabelRole::Detail, buffer);
}

// Walks the grid's quads and hands each drawn triangle to `drawTriangle` with its
// three corners' plane positions and elevations; it adds the triangle to the
// raster, which fills it into the image at once. Shared by the plain and
// shaded mesh.
template <class DrawTriangle>
long WalkTriangles(JobContext& ctx, const char* stepLabel, DrawTriangle&& drawTriangle) {
  const ElevationGrid& g = ctx.elevGrid;
  if (!ctx.runFlag || g.gridCols < 2 || g.gridRows < 2) return 0;
  ctx.host.setLabel(LabelRole::Group, stepLabel);
  ctx.host.setLabel(LabelRole::Detail, "0%");
  const GridValues v = ValuesOf(g, ctx.cells);
  std::vector<PlaneXY> top, bottom;
  ProjectRow(ctx, 0, top);
  long drawn = 0;
  TriangleRaster raster(ctx);
  for (int r = 0; r + 1 < g.gridRows; ++r) {
    if (r % 100 == 0) {
      ShowPercent(ctx, r);
      ctx.host.pump();
      if (!ctx.runFlag) break;
    }
    ProjectRow(ctx, r + 1, bottom);
    for (int c = 0; c + 1 < g.gridCols; ++c) {
      const double z[4] = {v.at(r, c), v.at(r, c + 1), v.at(r + 1, c), v.at(r + 1, c + 1)};
      const QuadSplit split = SplitQuad(z[kTL], z[kTR], z[kBL], z[kBR], ctx.waterLevel);
      const PlaneXY* xy[4] = {&top[c], &top[c + 1], &bottom[c], &bottom[c + 1]};
      for (int t = 0; t < split.count; ++t) {
        const QuadCorner* k = split.tri[t];
        drawTriangle(raster, xy[k[0]], xy[k[1]], xy[k[2]], z[k[0]], z[k[1]], z[k[2]]);
        ++drawn;
      }
    }
    top.swap(bottom);
  }
  raster.flush();
  if (ctx.surface) ctx.surface->tile().dryTriangleCount += drawn;
  return drawn;
}

}  // namespace

long DrawElevationMesh(JobContext& ctx) {
  const Legend legend = TileLegend(ctx);
  const int n = ctx.legendSteps, scheme = ctx.settings.iro;
  return WalkTriangles(ctx, text::kStepMesh,
                       [&](TriangleRaster& raster, const PlaneXY* a, const PlaneXY* b, const PlaneXY* c,
                           double za, double zb, double zc) {
                         const double pa[3] = {a->y, a->x, za}, pb[3] = {b->y, b->x, zb}, pc[3] = {c->y, c->x, zc};
                         raster.add(elevcl(n, 1.0f, legend.interval, legend.bottom, (za + zb + zc) / 3, scheme),
                                   pa, pb, pc);
                       });
}

long DrawHillshade(JobContext& ctx) {
  const Legend legend = TileLegend(ctx);
  const int n = ctx.legendSteps, scheme = ctx.settings.iro, mode = ctx.settings.shadowmd;
  // Elevations are brought into the unit of the plane coordinates (degrees,
  // roughly, in lat/lon mode) so slopes compare with the ground distances.
  const double shadeScale = ctx.coords.latLonMode ? 100000 / 0.9 : 1 / ctx.coords.unitScale;
  const LightVector light = LightVectorOf(ctx.settings.houi, ctx.settings.height);
  return WalkTriangles(ctx, text::kStepHillshade,
                       [&](TriangleRaster& raster, const PlaneXY* a, const PlaneXY* b, const PlaneXY* c,
                           double za, double zb, double zc) {
                         const double pa[3] = {a->y, a->x, za / shadeScale};
                         const double pb[3] = {b->y, b->x, zb / shadeScale};
                         const double pc[3] = {c->y, c->x, zc / shadeScale};
                         const double s = ShadeBrightness(pa, pb, pc, light, mode);
                         const double mean = (za + zb + zc) / 3;
                         raster.add(s < 0 ? 0 : elevcl(n, static_cast<float>(s), legend.interval, legend.bottom, mean, scheme),
                                   pa, pb, pc);
                       });
}

}  // namespace velkaro
