#include "render/terrain_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
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
  const ParallelProjection parallel(ctx.coords, lat);
  auto exact = [&](int c) { out[static_cast<size_t>(c)] = parallel.at(g.gridLonW + (c + 0.5) * g.cellLon); };
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

// Where the last triangle of a walk lies: quad row and column and which of
// the quad's triangles (row -1: none was drawn).
struct LastTriangle {
  int row = -1, col = 0, triangle = 0;
};

// The corners of triangle `t` of the quad at (c) between two rows.
struct QuadTriangles {
  const MeshVertex* corner[4];
  QuadSplit split;

  QuadTriangles(const MeshRow& top, const MeshRow& bottom, int c, double waterLevel)
      : corner{&top.vertex[c], &top.vertex[c + 1], &bottom.vertex[c], &bottom.vertex[c + 1]},
        split(SplitQuad(corner[kTL]->z, corner[kTR]->z, corner[kBL]->z, corner[kBR]->z, waterLevel)) {}
  const MeshVertex& at(int t, int k) const { return *corner[split.tri[t][k]]; }
};

// Walks the quads of grid rows [first, last) and fills each kept triangle,
// asking `colourOf` for its colour from its three corners only when it
// holds a pixel. Elevations are divided by `zUnit` for the corners' scaled
// elevation. Returns the number of triangles drawn; `last` says which was
// the last.
template <class ColourOf>
long WalkRows(JobContext& ctx, TriangleRaster& raster, int first, int last, double zUnit, const ColourOf& colourOf,
              LastTriangle& lastDrawn) {
  const ElevationGrid& g = ctx.elevGrid;
  MeshRow top, bottom;
  top.project(ctx, raster, first, zUnit);
  long drawn = 0;
  for (int r = first; r < last; ++r) {
    bottom.project(ctx, raster, r + 1, zUnit);
    for (int c = 0; c + 1 < g.gridCols; ++c) {
      const QuadTriangles quad(top, bottom, c, ctx.waterLevel);
      for (int t = 0; t < quad.split.count; ++t) {
        const MeshVertex &a = quad.at(t, 0), &b = quad.at(t, 1), &c3 = quad.at(t, 2);
        const FixedPoint pixels[3] = {a.pixel, b.pixel, c3.pixel};
        raster.fillIn(pixels, [&] { return colourOf(a, b, c3); });
        lastDrawn = LastTriangle{r, c, t};
        ++drawn;
      }
    }
    top.vertex.swap(bottom.vertex);
  }
  return drawn;
}

// The colour of one triangle of the mesh, worked out again.
template <class ColourOf>
Colour ColourOfTriangle(JobContext& ctx, const TriangleRaster& raster, LastTriangle at, double zUnit,
                        const ColourOf& colourOf) {
  MeshRow top, bottom;
  top.project(ctx, raster, at.row, zUnit);
  bottom.project(ctx, raster, at.row + 1, zUnit);
  const QuadTriangles quad(top, bottom, at.col, ctx.waterLevel);
  return colourOf(quad.at(at.triangle, 0), quad.at(at.triangle, 1), quad.at(at.triangle, 2));
}

constexpr int kRowsBetweenPumps = 100;
constexpr int kRowsPerShare = 10;

// Walks the quad rows [first, end) on this thread and one more (unless the
// job keeps to one thread): each takes the next ten rows not yet taken until
// none are left, so the two finish together however the machine shares its
// cores. The triangles of a grid never overlap, so the image is the same as
// from one walk.
template <class ColourOf>
long WalkRowsOnTwoThreads(JobContext& ctx, TriangleRaster& raster, int first, int end, double zUnit,
                          const ColourOf& colourOf, LastTriangle& lastDrawn) {
  const int shares = (end - first + kRowsPerShare - 1) / kRowsPerShare;
  std::vector<LastTriangle> lastOf(static_cast<size_t>(shares));
  std::vector<long> drawnOf(static_cast<size_t>(shares), 0);
  std::atomic<int> next{0};
  auto walk = [&] {
    for (int k = next++; k < shares; k = next++) {
      const int from = first + k * kRowsPerShare;
      drawnOf[static_cast<size_t>(k)] =
          WalkRows(ctx, raster, from, std::min(from + kRowsPerShare, end), zUnit, colourOf, lastOf[static_cast<size_t>(k)]);
    }
  };
  std::thread helper;
  try {
    if (ctx.helperThreads) helper = std::thread(walk);
  } catch (const std::system_error&) {
    // No thread to be had: this one walks every share.
  }
  walk();
  if (helper.joinable()) helper.join();
  long drawn = 0;
  for (int k = 0; k < shares; ++k) {
    drawn += drawnOf[static_cast<size_t>(k)];
    if (lastOf[static_cast<size_t>(k)].row >= 0) lastDrawn = lastOf[static_cast<size_t>(k)];
  }
  return drawn;
}

// Walks the grid's quads and fills each kept triangle into the image in the
// colour `colourOf` gives, a hundred rows at a time with progress and the
// abort check between them, each hundred on two threads. Shared by the
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
  LastTriangle last;
  for (int first = 0; first < quadRows; first += kRowsBetweenPumps) {
    ShowPercent(ctx, first);
    ctx.host.pump();
    if (!ctx.runFlag) break;
    const int end = std::min(first + kRowsBetweenPumps, quadRows);
    drawn += WalkRowsOnTwoThreads(ctx, raster, first, end, zUnit, colourOf, last);
  }
  // GL's colour is left as the last triangle's, as drawing through GL would.
  if (last.row >= 0) raster.flush(ColourOfTriangle(ctx, raster, last, zUnit, colourOf));
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
