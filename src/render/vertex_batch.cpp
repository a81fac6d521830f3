#define GL_GLEXT_PROTOTYPES 1
#include "render/vertex_batch.h"

#include <GL/glext.h>

namespace velkaro {

TriangleBatch::TriangleBatch(size_t trianglesPerDraw) : limit_(trianglesPerDraw > 0 ? trianglesPerDraw : 1) {
  xyz_.reserve(limit_ * 9);
  rgb_.reserve(limit_ * 9);
}

void TriangleBatch::add(Colour colour, const double a[3], const double b[3], const double c[3]) {
  const size_t at = xyz_.size();
  xyz_.resize(at + 9);
  rgb_.resize(at + 9);
  float* xyz = xyz_.data() + at;
  float* rgb = rgb_.data() + at;
  GlColourOf(colour, rgb);
  for (const double* p : {a, b, c}) {
    xyz[0] = static_cast<float>(p[0]);
    xyz[1] = static_cast<float>(p[1]);
    xyz[2] = static_cast<float>(p[2]);
    xyz += 3;
  }
  rgb[3] = rgb[6] = rgb[0];
  rgb[4] = rgb[7] = rgb[1];
  rgb[5] = rgb[8] = rgb[2];
  if (xyz_.size() >= limit_ * 9) flush();
}

void TriangleBatch::flush() {
  if (xyz_.empty()) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, xyz_.data());
  glColorPointer(3, GL_FLOAT, 0, rgb_.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(xyz_.size() / 3));
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  // The current colour after the draw is that of the last triangle, as it
  // would be after per-vertex calls.
  glColor3fv(rgb_.data() + rgb_.size() - 3);
  xyz_.clear();
  rgb_.clear();
}

void LineStripBatch::endStrip() {
  const GLint end = static_cast<GLint>(xyz_.size() / 3);
  if (end - stripStart_ >= 2) {
    firsts_.push_back(stripStart_);
    counts_.push_back(end - stripStart_);
    stripStart_ = end;
  } else {
    xyz_.resize(static_cast<size_t>(stripStart_) * 3);   // a lone vertex draws nothing
  }
  if (xyz_.size() >= limit_ * 3) flush();
}

void LineStripBatch::flush() {
  if (!counts_.empty()) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, xyz_.data());
    glMultiDrawArrays(GL_LINE_STRIP, firsts_.data(), counts_.data(), static_cast<GLsizei>(counts_.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
  }
  xyz_.clear();
  firsts_.clear();
  counts_.clear();
  stripStart_ = 0;
}

}  // namespace velkaro
