#include "render/primitives.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace velkaro {

namespace {

using TessCallback = void (*)();

void TessBegin(GLenum type) { glBegin(type); }
void TessVertexOut(void* data) { glVertex3dv(static_cast<const GLdouble*>(data)); }
void TessEnd() { glEnd(); }

// A crossing point of two edges: a new record that lives until the polygon
// ends, at the place where the edges meet.
void TessCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4], void** out,
                 void* polygonData) {
  auto* store = static_cast<std::deque<TessVertex>*>(polygonData);
  store->push_back(TessVertex{coords[0], coords[1], coords[2]});
  *out = &store->back();
}

}  // namespace

Tessellator::Tessellator()
    : tess_(gluNewTess()), crossings_(std::make_unique<std::deque<TessVertex>>()) {
  if (!tess_) return;
  gluTessCallback(tess_, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(&TessBegin));
  gluTessCallback(tess_, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(&TessVertexOut));
  gluTessCallback(tess_, GLU_TESS_END, reinterpret_cast<TessCallback>(&TessEnd));
  gluTessCallback(tess_, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&TessCombine));
  gluTessProperty(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
}

Tessellator::~Tessellator() {
  if (tess_) gluDeleteTess(tess_);
}

Tessellator::Tessellator(Tessellator&& other) noexcept
    : tess_(std::exchange(other.tess_, nullptr)),
      crossings_(std::move(other.crossings_)),
      polygonOpen_(std::exchange(other.polygonOpen_, false)),
      contourOpen_(std::exchange(other.contourOpen_, false)) {}

Tessellator& Tessellator::operator=(Tessellator&& other) noexcept {
  if (this != &other) {
    if (tess_) gluDeleteTess(tess_);
    tess_ = std::exchange(other.tess_, nullptr);
    crossings_ = std::move(other.crossings_);
    polygonOpen_ = std::exchange(other.polygonOpen_, false);
    contourOpen_ = std::exchange(other.contourOpen_, false);
  }
  return *this;
}

void Tessellator::setNonZeroWinding() {
  if (tess_) gluTessProperty(tess_, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
}

void Tessellator::beginPolygon() {
  if (!tess_) return;
  if (polygonOpen_) endPolygon();
  gluTessBeginPolygon(tess_, crossings_.get());
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
  crossings_->clear();
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
