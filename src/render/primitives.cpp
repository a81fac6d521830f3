#include "render/primitives.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace velkaro {

// What one polygon's tessellation hands back: the crossing points made for
// it (kept until the polygon ends) and, with a sink, the vertices of the
// primitive under way, put together into triangles as GL would.
struct Tessellator::PolygonOutput {
  std::deque<TessVertex> crossings;
  TriangleSink* sink = nullptr;
  GLenum type = GL_TRIANGLES;
  const TessVertex* held[2] = {nullptr, nullptr};
  long count = 0;   // vertices of the primitive so far

  void take(const TessVertex* v) {
    if (type == GL_TRIANGLE_FAN) {
      if (count >= 2) sink->triangle(*held[0], *held[1], *v);
      held[count == 0 ? 0 : 1] = v;
    } else if (type == GL_TRIANGLE_STRIP) {
      // Every other triangle turns round, so that all keep the strip's winding.
      if (count >= 2) {
        if (count % 2 == 0)
          sink->triangle(*held[0], *held[1], *v);
        else
          sink->triangle(*held[1], *held[0], *v);
      }
      if (count >= 2) held[0] = held[1];
      held[count == 0 ? 0 : 1] = v;
    } else if (count % 3 == 2) {   // independent triangles
      sink->triangle(*held[0], *held[1], *v);
    } else {
      held[count % 3] = v;
    }
    ++count;
  }
};

namespace {

using TessCallback = void (*)();
using Output = Tessellator::PolygonOutput;

void TessBegin(GLenum type, void* polygonData) {
  auto* out = static_cast<Output*>(polygonData);
  if (!out->sink) {
    glBegin(type);
    return;
  }
  out->type = type;
  out->count = 0;
}

void TessVertexOut(void* data, void* polygonData) {
  auto* out = static_cast<Output*>(polygonData);
  if (!out->sink) {
    glVertex3dv(static_cast<const GLdouble*>(data));
    return;
  }
  out->take(static_cast<const TessVertex*>(data));
}

void TessEnd(void* polygonData) {
  if (!static_cast<Output*>(polygonData)->sink) glEnd();
}

// A crossing point of two edges: a new record that lives until the polygon
// ends, at the place where the edges meet.
void TessCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4], void** out,
                 void* polygonData) {
  std::deque<TessVertex>& store = static_cast<Output*>(polygonData)->crossings;
  store.push_back(TessVertex{coords[0], coords[1], coords[2]});
  *out = &store.back();
}

}  // namespace

Tessellator::Tessellator() : tess_(gluNewTess()), output_(std::make_unique<PolygonOutput>()) {
  if (!tess_) return;
  gluTessCallback(tess_, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(&TessBegin));
  gluTessCallback(tess_, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(&TessVertexOut));
  gluTessCallback(tess_, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(&TessEnd));
  gluTessCallback(tess_, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&TessCombine));
  gluTessProperty(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
}

Tessellator::~Tessellator() {
  if (tess_) gluDeleteTess(tess_);
}

Tessellator::Tessellator(Tessellator&& other) noexcept
    : tess_(std::exchange(other.tess_, nullptr)),
      output_(std::move(other.output_)),
      polygonOpen_(std::exchange(other.polygonOpen_, false)),
      contourOpen_(std::exchange(other.contourOpen_, false)) {}

Tessellator& Tessellator::operator=(Tessellator&& other) noexcept {
  if (this != &other) {
    if (tess_) gluDeleteTess(tess_);
    tess_ = std::exchange(other.tess_, nullptr);
    output_ = std::move(other.output_);
    polygonOpen_ = std::exchange(other.polygonOpen_, false);
    contourOpen_ = std::exchange(other.contourOpen_, false);
  }
  return *this;
}

void Tessellator::setSink(TriangleSink* sink) {
  if (output_) output_->sink = sink;
}

void Tessellator::setNonZeroWinding() {
  if (tess_) gluTessProperty(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
}

void Tessellator::beginPolygon() {
  if (!tess_) return;
  if (polygonOpen_) endPolygon();
  gluTessBeginPolygon(tess_, output_.get());
  polygonOpen_ = true;
}

void Tessellator::beginContour() {
  if (!tess_) return;
  if (!polygonOpen_) beginPolygon();
  if (contourOpen_) endContour();
  gluTessBeginContour(tess_);
  contourOpen_ = true;
}

void Tessellator::vertex(TessVertex* record) {
  if (!contourOpen_) return;
  gluTessVertex(tess_, &record->x, record);
}

void Tessellator::endContour() {
  if (!contourOpen_) return;
  gluTessEndContour(tess_);
  contourOpen_ = false;
}

void Tessellator::endPolygon() {
  if (!polygonOpen_) return;
  endContour();
  gluTessEndPolygon(tess_);
  polygonOpen_ = false;
  output_->crossings.clear();
}

Tessellator NewPolygonTessellator() { return Tessellator(); }

namespace {

void ArcStrip(int n, double cx, double cy, double r, double ky, double s, double e) {
  if (n < 0) return;
  glBegin(GL_LINE_STRIP);
  for (int j = 0; j <= n; ++j) {
    const double theta = n == 0 ? s : s + j * (e - s) / n;
    glVertex2d(cx + r * std::cos(theta), cy + ky * r * std::sin(theta));
  }
  glEnd();
}

}  // namespace

void Arc(int n, double cx, double cy, double r, double startDeg, double endDeg) {
  const double toRad = std::numbers::pi / 180.0;
  ArcStrip(n, cx, cy, r, 1.0, startDeg * toRad, endDeg * toRad);
}

void EllipseArc(int n, double cx, double cy, double r, double ky, double startRad, double endRad) {
  ArcStrip(n, cx, cy, r, ky, startRad, endRad);
}

void Disc(int n, double cx, double cy, double r) {
  if (n < 3) return;
  std::vector<TessVertex> records(static_cast<size_t>(n));
  for (int j = 0; j < n; ++j) {
    const double a = 2 * std::numbers::pi * j / n;
    records[static_cast<size_t>(j)] = {cx + r * std::cos(a), cy + r * std::sin(a), 0.0};
  }
  Tessellator tess = NewPolygonTessellator();
  tess.beginPolygon();
  tess.beginContour();
  for (auto& rec : records) tess.vertex(&rec);
  tess.endPolygon();
}

}  // namespace velkaro
