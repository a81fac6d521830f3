#include "render/symbols.h"

#include <GL/gl.h>

#include "job/job_context.h"
#include "render/primitives.h"
#include "render/render_surface.h"
#include "render/gl_view.h"

namespace velkaro {

int SymbolIdOf(std::string_view name) {
  for (int id = 1; id <= kSymbolCount; ++id)
    if (SymbolNames[static_cast<size_t>(id)] == name) return id;
  return 0;
}

namespace {

void DrawPointRun(GLenum mode, const std::vector<SymbolPoint>& points) {
  glBegin(mode);
  for (const SymbolPoint& p : points) glVertex2d(p.x, p.y);
  glEnd();
}

void FillQuad(const std::vector<SymbolPoint>& points, Tessellator& tess, std::array<TessVertex, 4>& records) {
  if (points.size() != 4) return;
  for (size_t k = 0; k < 4; ++k) records[k] = TessVertex{points[k].x, points[k].y, 0.0};
  tess.beginPolygon();
  tess.beginContour();
  for (TessVertex& record : records) tess.vertex(&record);
  tess.endContour();
  tess.endPolygon();
}

void DrawElement(const SymbolElement& e, Tessellator& tess, std::array<TessVertex, 4>& records) {
  using Kind = SymbolElement::Kind;
  switch (e.kind) {
    case Kind::Outline:
      DrawPointRun(GL_LINE_LOOP, e.points);
      break;
    case Kind::Line:
      DrawPointRun(GL_LINE_STRIP, e.points);
      break;
    case Kind::Arc:
      Arc(kArcSegments, e.cx, e.cy, e.r, e.start, e.end);
      break;
    case Kind::EllipseArc:
      EllipseArc(kArcSegments, e.cx, e.cy, e.r, e.ky, e.start, e.end);
      break;
    case Kind::Dot:
      if (!e.points.empty()) Disc(kDotVertices, e.points[0].x, e.points[0].y, kDotRadius);
      break;
    case Kind::FilledQuad:
      FillQuad(e.points, tess, records);
      break;
  }
}

}  // namespace

void CompileSymbolLists(Tessellator& tessellator, std::array<TessVertex, 4>& records) {
  for (int id = 1; id <= kSymbolCount; ++id) {
    glNewList(static_cast<GLuint>(id), GL_COMPILE);
    for (const SymbolElement& e : SymbolShapeOf(id)) DrawElement(e, tessellator, records);
    glEndList();
  }
}

// The symbols' lists lie below the glyph outlines' and are kept with them.
static_assert(kSymbolCount < static_cast<int>(kFirstGlyphList));

void CompileSymbols(JobContext& job) {
  if (!job.surface || !job.surface->tileOpen()) return;
  // Compiled into a new context only; a kept one has them from its first
  // tile. Compiling draws nothing: the context is made current, and the
  // image goes to GL only when GL is about to draw over it.
  KeptLists& kept = job.surface->keptLists();
  if (kept.symbols) return;
  job.surface->beginGLState();
  TileResources& tile = job.surface->tile();
  CompileSymbolLists(tile.symbolTessellator, tile.symbolVertices);
  kept.symbols = true;
}

void PlaceSymbol(int id, double x, double y, double sx, double sy) {
  if (id < 1 || id > kSymbolCount) return;
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0.0f);
  glScaled(sx, sy, 1.0);
  glCallList(static_cast<GLuint>(id));
  glPopMatrix();
}

}  // namespace velkaro
