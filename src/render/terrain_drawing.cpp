#include "render/terrain_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>
#include <vector>

#include "elevation/grid_projector.h"
#include "elevation/messages.h"
#include "elevation/terrain_mesh.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "render/colours.h"
#include "render/render_surface.h"
#include "render/terrain_raster.h"

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

// One cell centre of the mesh: its plane position, its elevation (also in
// the plane's unit, for the shading) and its snapped pixel position. Each is
// worked out once per cell rather than once per triangle corner.
struct MeshVertex {
  PlaneXY plane;
  double z, scaledZ;
  FixedPoint pixel;
};

// One grid row's cell centres.
struct MeshRow {
  std::vector<PlaneXY> plane;
  std::vector<MeshVertex> vertex;

  void project(JobContext& ctx, const TriangleRaster& raster, int row, double zUnit) {
    ProjectRow(ctx, row, plane);
    const GridValues v = ValuesOf(ctx.elevGrid, ctx.cells);
    vertex.resize(plane.size());
    for (size_t c = 0; c < plane.size(); ++c) {
      const double z = v.at(row, static_cast<int>(c));
      vertex[c] = MeshVertex{plane[c], z, z / zUnit, raster.snap(plane[c].y, plane[c].x)};
    }
  }
};

// Walks the quads of grid rows [first, last) and fills each kept triangle in
// the colour `colourOf` gives for its three corners; `lastColour` is set to
// the last one's. Elevations are divided by `zUnit` for the corners' scaled
// elevation. Returns the number of triangles drawn.
template <class ColourOf>
long WalkRows(JobContext& ctx, TriangleRaster& raster, int first, int last, double zUnit, const ColourOf& colourOf,
              Colour& lastColour) {
  const ElevationGrid& g = ctx.elevGrid;
  MeshRow top, bottom;
  top.project(ctx, raster, first, zUnit);
  long drawn = 0;
  for (int r = first; r < last; ++r) {
    bottom.project(ctx, raster, r + 1, zUnit);
    for (int c = 0; c + 1 < g.gridCols; ++c) {
      const MeshVertex* corner[4] = {&top.vertex[c], &top.vertex[c + 1], &bottom.vertex[c], &bottom.vertex[c + 1]};
      const QuadSplit split =
          SplitQuad(corner[kTL]->z, corner[kTR]->z, corner[kBL]->z, corner[kBR]->z, ctx.waterLevel);
      for (int t = 0; t < split.count; ++t) {
        const QuadCorner* k = split.tri[t];
        const MeshVertex &a = *corner[k[0]], &b = *corner[k[1]], &c3 = *corner[k[2]];
        const Colour colour = colourOf(a, b, c3);
        const FixedPoint pixels[3] = {a.pixel, b.pixel, c3.pixel};
        raster.fill(colour, pixels);
        lastColour = colour;
        ++drawn;
      }
    }
    top.vertex.swap(bottom.vertex);
  }
  return drawn;
}

constexpr int kRowsBetweenPumps = 100;

// Walks the grid's quads and fills each kept triangle into the image in the
// colour `colourOf` gives, a hundred rows at a time with progress and the
// abort check between them. The lower half of each hundred is walked on a
// second thread: the triangles of a grid never overlap, so the halves touch
// different pixels and the image is the same as from one walk. Shared by the
// plain and shaded mesh.
template <class ColourOf>
long WalkTriangles(JobContext& ctx, const char* stepLabel, double zUnit, const ColourOf& colourOf) {
  const ElevationGrid& g = ctx.elevGrid;
  if (!ctx.runFlag || g.gridCols < 2 || g.gridRows < 2) return 0;
  ctx.host.setLabel(LabelRole::Group, stepLabel);
  ctx.host.setLabel(LabelRole::Detail, "0%");
  TriangleRaster raster(ctx);
  const int quadRows = g.gridRows - 1;
  long drawn = 0;
  Colour last = 0;
  for (int first = 0; first < quadRows; first += kRowsBetweenPumps) {
    ShowPercent(ctx, first);
    ctx.host.pump();
    if (!ctx.runFlag) break;
    const int end = std::min(first + kRowsBetweenPumps, quadRows);
    const int middle = first + (end - first) / 2;
    long lowerDrawn = 0;
    Colour upperLast = 0, lowerLast = 0;
    auto walkLower = [&] { lowerDrawn = WalkRows(ctx, raster, middle, end, zUnit, colourOf, lowerLast); };
    std::thread lower;
    try {
      lower = std::thread(walkLower);
    } catch (const std::system_error&) {
      walkLower();   // no thread to be had: the same rows on this one
    }
    const long upperDrawn = WalkRows(ctx, raster, first, middle, zUnit, colourOf, upperLast);
    if (lower.joinable()) lower.join();
    if (upperDrawn > 0) last = upperLast;
    if (lowerDrawn > 0) last = lowerLast;
    drawn += upperDrawn + lowerDrawn;
  }
  if (drawn > 0) raster.flush(last);
  if (ctx.surface) ctx.surface->tile().dryTriangleCount += drawn;
  return drawn;
}

}  // namespace

long DrawElevationMesh(JobContext& ctx) {
  const Legend legend = TileLegend(ctx);
  const LegendColours colours(ctx.legendSteps, legend.interval, legend.bottom, ctx.settings.iro);
  return WalkTriangles(ctx, text::kStepMesh, 1.0, [&](const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
    return colours.at((a.z + b.z + c.z) / 3, 1.0f);
  });
}

long DrawHillshade(JobContext& ctx) {
  const Legend legend = TileLegend(ctx);
  const LegendColours colours(ctx.legendSteps, legend.interval, legend.bottom, ctx.settings.iro);
  // Elevations are brought into the unit of the plane coordinates (degrees,
  // roughly, in lat/lon mode) so slopes compare with the ground distances.
  const double shadeScale = ctx.coords.latLonMode ? 100000 / 0.9 : 1 / ctx.coords.unitScale;
  const Shading shading(LightVectorOf(ctx.settings.houi, ctx.settings.height), ctx.settings.shadowmd);
  return WalkTriangles(ctx, text::kStepHillshade, shadeScale,
                       [&](const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
                         const double pa[3] = {a.plane.y, a.plane.x, a.scaledZ};
                         const double pb[3] = {b.plane.y, b.plane.x, b.scaledZ};
                         const double pc[3] = {c.plane.y, c.plane.x, c.scaledZ};
                         const double s = shading.brightness(pa, pb, pc);
                         return s < 0 ? Colour{0} : colours.at((a.z + b.z + c.z) / 3, static_cast<float>(s));
                       });
}

}  // namespace velkaro
