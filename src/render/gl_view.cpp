#include "render/gl_view.h"

#include <GL/gl.h>

#include <cmath>

#include "job/job_context.h"
#include "platform/gl_calls.h"
#include "render/colours.h"
#include "render/glyph_lists.h"
#include "render/render_messages.h"
#include "render/render_surface.h"
#include "render/symbols.h"

namespace velkaro {

double PixelX(const JobContext& job, double easting) {
  return easting / job.image.unitsPerPixel * job.image.latFactor - job.tile.mapOffsetX;
}

double PixelY(const JobContext& job, double northing) {
  return job.image.height - northing / job.image.unitsPerPixel + job.tile.mapOffsetY;
}

PixelRectF MapRect(const JobContext& job) {
  return {PixelX(job, job.tile.west), PixelY(job, job.tile.north), PixelX(job, job.tile.east),
          PixelY(job, job.tile.south)};
}

Viewport ViewportFor(const JobContext& job) {
  const double ax = PixelX(job, job.tile.west);
  const double ay = PixelY(job, job.tile.north);
  const double spanX = (job.tile.east - job.tile.west) / job.image.unitsPerPixel * job.image.latFactor;
  const double spanY = (job.tile.north - job.tile.south) / job.image.unitsPerPixel;
  Viewport v;
  v.x = static_cast<int>(std::trunc(ax));
  v.y = static_cast<int>(std::trunc(ay));
  v.width = static_cast<int>(std::trunc(ax + spanX)) - v.x + 1;
  v.height = static_cast<int>(std::trunc(ay + spanY)) - v.y + 1;
  return v;
}

RenderSurface::View OrthoView(double west, double east, double south, double north) {
  // As glOrtho builds its matrix: from the bounds as floats, in float.
  const float left = static_cast<float>(west), right = static_cast<float>(east);
  const float bottom = static_cast<float>(south), top = static_cast<float>(north);
  RenderSurface::View view;
  view.scaleX = 2.0f / (right - left);
  view.offsetX = -(right + left) / (right - left);
  view.scaleY = 2.0f / (top - bottom);
  view.offsetY = -(top + bottom) / (top - bottom);
  return view;
}

namespace {

// The tile's viewport and view on the surface (given to GL when it is open).
void PutTileView(const JobContext& job) {
  const Viewport v = ViewportFor(job);
  job.surface->setViewport(v.x, v.y, v.width, v.height);
  job.surface->setView(OrthoView(job.tile.west, job.tile.east, job.tile.south, job.tile.north));
}

}  // namespace

void SetTileView(const JobContext& job) {
  glLoadIdentity();
  PutTileView(job);
  // Far planes so wide that no elevation passed as z is ever clipped.
  glOrtho(job.tile.west, job.tile.east, job.tile.south, job.tile.north, -999999999.0, 999999999.0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_POLYGON_SMOOTH);
  glDisable(GL_DITHER);
}

void ReserveDisplayLists(JobContext& job) {
  // A kept context's ids were reserved (and checked) when it was new; it
  // keeps the symbols and glyph outlines, and the lists above them were
  // deleted when the tile before closed.
  if (job.surface && !job.surface->contextIsNew()) {
    job.surface->tile().listBase = 1;
    return;
  }
  const GLuint first = glGenLists(kReservedListCount);
  if (job.surface) job.surface->tile().listBase = first;
  if (first != 1) {
    job.host.ask(render_messages::kListIdsCaption, render_messages::ListIdsText(first), Buttons::Ok);
  }
}

namespace {

bool StopForGl(JobContext& job, const char* caption, const std::string& reason) {
  job.host.ask(caption, reason, Buttons::Ok);
  job.errorText = reason;
  job.runFlag = false;
  return false;
}

}  // namespace

namespace {

// GL for the open tile, on its first use: the library, the context (the
// one a closed tile left, or a new one), the tile's view, the display-list
// ids and the lists kept with the context. Without the library or a
// context the job stops (a tile drawn on would lack everything GL draws).
bool OpenGlForTile(JobContext& job) {
  RenderSurface& surface = *job.surface;
  std::string glError;
  if (!LoadGl(&glError)) return StopForGl(job, render_messages::kGlLibraryCaption, glError);
  if (!surface.createContext(&glError)) return StopForGl(job, render_messages::kGlContextCaption, glError);
  glMatrixMode(GL_MODELVIEW);
  SetTileView(job);
  ReserveDisplayLists(job);
  KeptLists& kept = surface.keptLists();
  if (!kept.glyphs) {
    CompileMapGlyphs(kFirstGlyphList);
    kept.glyphs = true;
  }
  CompileSymbols(job);
  return true;
}

}  // namespace

bool OpenView(JobContext& job) {
  if (!job.runFlag || !job.surface) return false;
  RenderSurface& surface = *job.surface;
  surface.tile().dryTriangleCount = 0;
  // The view and the background are set here for the direct drawing; GL
  // is opened only when something first draws through it.
  surface.openTile([&job] { return OpenGlForTile(job); });
  PutTileView(job);
  surface.clearTo(job.settings.haikei);
  // The outline glyphs are checked whether or not GL will compile them.
  std::optional<bool>& outlines = surface.glyphOutlinesFound();
  if (!outlines) outlines = MapGlyphsHaveOutlines();
  if (!*outlines) {
    job.host.ask(render_messages::kGlyphOutlineCaption, render_messages::kGlyphOutlineText, Buttons::Ok);
  }
  surface.tile().symbolTessellator = NewPolygonTessellator();
  return true;
}

void CloseView(JobContext& job) {
  if (!job.surface) return;
  job.surface->closeTile(kKeptListCount, kReservedListCount);
  job.host.pump();
  job.host.showImage(job.surface->frame());
}

}  // namespace velkaro
