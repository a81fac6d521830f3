#pragma once
// The mapping from map units to pixels that both engines share, and the
// per-tile OpenGL view on the render surface.

#include <QRect>

#include "render/render_surface.h"

namespace velkaro {

struct JobContext;

// Column (from the left) and row (from the top) of a map coordinate of the
// current tile; real numbers, users truncate where they need integers.
double PixelX(const JobContext& job, double easting);
double PixelY(const JobContext& job, double northing);

struct PixelRectF {
  double left = 0, top = 0, right = 0, bottom = 0;
};
// The pixel rectangle of the tile's map; everything outside is margin.
PixelRectF MapRect(const JobContext& job);

// The GL viewport of the current tile: origin at the truncated top-left of
// the map, size from truncated sums (so it may be one pixel larger).
struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;
};
Viewport ViewportFor(const JobContext& job);

inline constexpr int kReservedListCount = 79;
inline constexpr unsigned kFirstGlyphList = 64;   // "（" "）" "短" "大" "専" in 64..68
// The lists kept with a context from tile to tile: the symbols (1..63) and
// the glyph outlines (64..68), the same for every tile.
inline constexpr int kKeptListCount = static_cast<int>(kFirstGlyphList) + 4;

// Opens the tile's view: resets the flood counter, sets the viewport and
// the view on the surface, fills it with the background colour, checks the
// outline glyphs (the message when "大" has none) and makes the symbol
// tessellator. GL is opened when the tile first draws through it: a
// context (or the one the tile before left, as new) with the view, the
// display-list ids and the glyph and symbol lists (compiled into a new
// context; a kept one keeps them); without one the job stops then. Does
// nothing when the job was aborted or has no surface. Returns whether the
// tile is open.
bool OpenView(JobContext& job);

// Closes the tile's view: GL output (if GL was opened) is finished into the
// surface, the tile's own display lists are deleted (the kept ones stay),
// the context is put back as new for the next tile, pending events are
// processed once and the host is shown the finished frame.
void CloseView(JobContext& job);

// Reserves the tile's display-list ids on the current context; ids that do
// not start at 1 are reported (the tile goes on).
void ReserveDisplayLists(JobContext& job);

// Sets the identity matrix, viewport and orthographic box of the current
// tile on the current context (when GL opens for the tile; exposed for
// drawing code that needs the view back after changing it).
void SetTileView(const JobContext& job);

// The view glOrtho(west, east, south, north, ...) gives GL, worked out as GL
// works it out, for drawing without GL.
RenderSurface::View OrthoView(double west, double east, double south, double north);

}  // namespace velkaro
