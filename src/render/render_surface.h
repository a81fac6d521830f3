#pragma once
// The render surface: one 32-bit image per job (bytes B, G, R, X) into which
// both the OpenGL context and the 2-D drawer draw. The surface knows which
// engine drew last and hands the pixels over when the other one starts:
// before OpenGL drawing that follows 2-D drawing it uploads the image into
// the GL framebuffer; before 2-D drawing (or reading the pixels) that follows
// OpenGL drawing it finishes the GL pipeline, which copies the framebuffer
// into the image. Drawing code only says which engine it is about to use.

#include <QImage>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "render/painter_drawer.h"
#include "render/primitives.h"

class QPainter;

namespace velkaro {

struct JobContext;

// What an OpenGL context holds for one tile besides its display lists.
struct TileResources {
  unsigned listBase = 0;                   // first of the reserved display-list ids
  Tessellator symbolTessellator;           // serves the map-symbol compilation
  std::array<TessVertex, 4> symbolVertices{};
  std::deque<Tessellator> layerTessellators;   // made by layers, live for the tile
  // Terrain triangles drawn at or above the water; reset when a tile opens
  // and kept after it closes.
  long dryTriangleCount = 0;
};

// Display lists that are the same for every tile (the symbols' shapes, the
// glyph outlines): compiled into a context once and kept with it, where
// compiling them again cost every tile (and every frame of a flood
// animation) about half a millisecond.
struct KeptLists {
  bool glyphs = false;      // compiled
  bool symbols = false;
};

class RenderSurface {
 public:
  // Filled white.
  RenderSurface(int width, int height);
  ~RenderSurface();
  RenderSurface(const RenderSurface&) = delete;
  RenderSurface& operator=(const RenderSurface&) = delete;

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }

  // Call before issuing OpenGL commands (a context must exist to draw). The
  // first call of a tile opened with openTile() opens GL for it.
  void beginGL();
  // Call before changing GL state that draws nothing (the current colour,
  // the line width): the context is made current, the image not uploaded.
  void beginGLState();
  // A tile whose GL is opened by `openGl` (the context made current, the
  // view set, the kept display lists compiled; false when it could not be)
  // only when something first draws through GL: a tile drawn wholly by the
  // rasters and the 2-D drawer never loads the software GL.
  void openTile(std::function<bool()> openGl);
  // Whether a tile is open for drawing (GL opened for it or not).
  bool tileOpen() const { return tileOpen_ || hasContext(); }
  // GL's current colour and line width as drawing through GL would leave
  // them: set now when GL is open for the tile, else when it opens.
  void setGlColour(Colour colour);
  void setGlLineWidth(float width);
  // The view GL holds for the tile (its single-precision ortho matrix:
  // window = plane * scale + offset in -1..1), kept here so that the
  // rasters need no GL to read it.
  struct View {
    float scaleX = 1, offsetX = 0, scaleY = 1, offsetY = 0;
  };
  void setView(const View& view) { view_ = view; }
  const View& view() const { return view_; }
  // Fills the image with the colour and clears the GL framebuffer (if any)
  // to it: both then hold the same pixels, and neither is copied into the
  // other before the next drawing. GL's clear colour is left at it.
  void clearTo(Colour colour);
  // Call before drawing with QPainter; the painter stays valid until the
  // next beginGL(), beginPixels() or frame().
  QPainter& beginPainter();
  // As beginPainter() when the drawing stays inside area: only that part of
  // the image is uploaded before the next GL drawing.
  QPainter& beginPainterIn(const QRect& area);
  // Call before writing pixels of the image directly.
  QImage& beginPixels();
  // Makes OpenGL output issued so far reach the image ("flush the pipeline").
  void flush();
  // The finished pixels of everything drawn so far.
  const QImage& frame();

  PainterDrawer& drawer() { return drawer_; }

  // The viewport (x, y, width, height) with y counted down from the
  // image's top row, given to GL when it is open; viewport() gives it in
  // GL's window coordinates, whose rows count up from the image's bottom row.
  void setViewport(int x, int y, int width, int height);
  std::array<int, 4> viewport() const;

  // An OpenGL context drawing into a framebuffer of the image's size, made
  // current, in the state of a new one: the context a closed tile left
  // (closeTile) or a new one (false when none could be made, with what
  // failed in *error; drawing then does nothing). Making a
  // context costs more than resetting one: the software GL compiles its
  // shaders anew for each.
  bool createContext(std::string* error = nullptr);
  // Whether the last createContext() made a new context (not a kept one).
  bool contextIsNew() const { return contextIsNew_; }
  // Ends a tile's GL work: finishes GL output into the image, deletes the
  // display lists keptLists + 1..listCount, puts the context's state back as
  // it was made (attributes, client attributes, matrices, errors) and keeps
  // it for the next createContext(); drops the tile's tessellators.
  void closeTile(int keptLists, int listCount);
  // Which of the display lists kept with the context (1..keptLists of
  // closeTile, the same for every tile) are compiled; none in a new one.
  KeptLists& keptLists() { return keptLists_; }
  // Whether the glyph font has the outline that must be there ("大"), once
  // looked at.
  std::optional<bool>& glyphOutlinesFound() { return glyphOutlines_; }
  // Finishes GL output into the image, releases and deletes the context with
  // its display lists, and drops the tile's tessellators.
  void deleteContext();
  bool hasContext() const;
  TileResources& tile() { return *tile_; }

 private:
  struct GlContext;
  void endPainter();
  void dropTileResources();
  bool makeCurrent();
  bool attachFramebuffer(std::string& error);
  void readFramebuffer();
  void finishGL();
  void uploadImage(const QRect& area);
  void markChanged(const QRect& area);
  bool ensureGl();
  void forgetTile();
  bool glReadyForTile() const;
  bool glStateNow();
  void applyViewport();

  QImage image_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<GlContext> gl_;
  std::unique_ptr<TileResources> tile_;
  PainterDrawer drawer_;
  bool glDrewLast_ = false;        // GL output not yet copied into the image
  bool contextKept_ = false;       // a closed tile's context, ready to reuse
  bool contextIsNew_ = false;
  KeptLists keptLists_;
  std::optional<bool> glyphOutlines_;
  QRect changed_;                  // image pixels not yet uploaded to GL
  std::optional<Colour> clearPending_;   // GL's framebuffer is to be cleared to this first
  std::function<bool()> glOpener_;       // opens GL for the open tile
  bool tileOpen_ = false;
  bool glOpenForTile_ = false;           // the opener ran (or there was none)
  std::optional<Colour> pendingColour_;  // GL state set before GL opened
  std::optional<float> pendingLineWidth_;
  std::array<int, 4> viewport_{};        // x, y from the top, width, height
  View view_;
};

// The job's surface, ImageWidth x ImageHeight, filled white; job.surface is
// pointed at it. The caller keeps it for the whole job.
std::unique_ptr<RenderSurface> CreateRenderSurface(JobContext& job);

}  // namespace velkaro
