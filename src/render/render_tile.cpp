#include "render/render_tile.h"

#include <functional>
#include <optional>

#include "elevation/contours.h"
#include "elevation/terrain_mesh.h"
#include "job/job_context.h"
#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "render/map_furniture.h"
#include "render/mesh_overlay.h"
#include "render/render_surface.h"
#include "render/contour_drawing.h"
#include "render/contour_overlay.h"
#include "render/terrain_drawing.h"
#include "render/symbols.h"

namespace velkaro {

namespace {

// Layers listed higher in a tree are drawn later, on top: both trees are
// walked from their last node to their first, switched-on children only.
void DrawTreeLayers(JobContext& job, const LayerTree& tree, const std::function<bool(int32_t)>& wanted) {
  for (auto g = tree.groups.rbegin(); g != tree.groups.rend(); ++g) {
    for (auto c = g->children.rbegin(); c != g->children.rend(); ++c) {
      if (c->on && wanted(c->entry.readerMask)) DrawLayer(job, *c);
    }
  }
}

void DrawLayers(JobContext& job, const std::function<bool(int32_t)>& wanted) {
  DrawTreeLayers(job, job.settings.layers.fgd, wanted);
  DrawTreeLayers(job, job.settings.layers.kkj, wanted);
}

void DrawThemes(JobContext& job, const std::function<bool(int32_t)>& wanted) {
  for (const KsjTheme& theme : job.settings.layers.ksj) {
    if (theme.on && wanted(theme.readerMask)) DrawTheme(job, theme);
  }
}

void Flush(JobContext& job) { job.surface->flush(); }

bool GridHasRelief(const JobContext& job) { return job.elevGrid.elevMax > job.elevGrid.elevMin; }

}  // namespace

void RenderTile(JobContext& job) {
  // 1. An aborted job draws and writes nothing.
  if (!job.runFlag || !job.surface) return;
  const JobSettings& s = job.settings;

  // 2. Background and view; the context with its glyph and map-symbol
  //    display lists when something first draws through GL.
  OpenView(job);

  // 3. [contours] with "depressions as areas" (taisyo 3), contour areas go
  //    under everything else when the grid's highest elevation exceeds its
  //    lowest.
  if (s.anyContourClass() && s.taisyo == kDepressionAreas && GridHasRelief(job)) {
    DrawContours(job);
    Flush(job);
  }

  // 3b. Plain contour lines (step 9) are traced and drawn into a layer of
  //     their own from here on, beside the mesh and the layers under them.
  std::optional<ContourOverlay> contourLines;
  if (s.anyContourClass() && ContoursArePlainLines(job) && GridHasRelief(job))
    contourLines.emplace(job, ContourOverlay::Target::OwnLayer);

  // 4. [elevation] with an elevation class on: hillshade when alti/shadow is
  //    on, else the coloured elevation mesh.
  if (s.anyMeshClass()) {
    if (s.shadow)
      DrawHillshade(job);
    else
      DrawElevationMesh(job);
    Flush(job);
  }

  // 5. KSJ area and area-name themes.
  DrawThemes(job, [](int32_t mask) { return mask > 8; });
  // 6. Hatch edges and areas of both trees.
  DrawLayers(job, [](int32_t mask) { return mask > 256; });
  // 7. Line layers of both trees.
  DrawLayers(job, [](int32_t mask) { return mask > 16 && mask <= 256; });
  // 8. KSJ lines, tracks and airport names.
  DrawThemes(job, [](int32_t mask) { return mask >= 2 && mask <= 8; });

  // 9. Contour lines over areas and lines unless taisyo is 3.
  if (s.anyContourClass() && s.taisyo != kDepressionAreas) {
    if (contourLines) contourLines->finish();
    Flush(job);
  }

  // 10. Symbols, annotation, control points, spot heights, names.
  DrawLayers(job, [](int32_t mask) { return mask <= 16; });
  // 11. KSJ point names.
  DrawThemes(job, [](int32_t mask) { return mask == 1; });

  // 12. [mesh overlay] when tiikimesh/cb is on, the standard regional mesh.
  if (s.tiikimesh.on) DrawMeshOverlay(job);
  // 13. [map furniture] for BMP, PNG and animation tiles; not for GeoTIFF.
  if (s.type != kOutputGeoTiff) DrawFurniture(job);

  // 14. Context closed, events processed, the host shown the frame.
  CloseView(job);

  // 15. Writing the tile is the caller's (the run stage's) step.
  // 16. The glyph font lives only while the glyph lists are compiled.
}

}  // namespace velkaro
