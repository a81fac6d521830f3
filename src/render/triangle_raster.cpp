#include "render/triangle_raster.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "job/job_context.h"
#include "render/render_surface.h"
#include "render/vertex_batch.h"

namespace velkaro {

namespace {

constexpr int kSubpixelBits = 8;
constexpr int64_t kSubpixels = int64_t{1} << kSubpixelBits;

// Whole pixels from 1/256 pixels, rounding towards minus infinity.
int64_t FloorPixel(int64_t fixed) { return fixed >> kSubpixelBits; }
int64_t CeilPixel(int64_t fixed) { return (fixed + kSubpixels - 1) >> kSubpixelBits; }

// One edge of a counter-clockwise triangle (bottom-up pixels) as the value of
// its edge function at a pixel centre and its steps per pixel. A centre on a
// left edge, or on a horizontal top edge, belongs to this triangle; on any
// other edge it belongs to the neighbour across it.
struct Edge {
  int64_t stepX, stepY, atRowStart;
  int64_t bias;

  Edge(TriangleRaster::FixedPoint p, TriangleRaster::FixedPoint q, int64_t x0, int64_t y0) {
    const int64_t dx = q.x - p.x, dy = q.y - p.y;
    stepX = -dy * kSubpixels;
    stepY = dx * kSubpixels;
    atRowStart = dx * (y0 * kSubpixels - p.y) - dy * (x0 * kSubpixels - p.x);
    const bool owns = dy < 0 || (dy == 0 && dx < 0);
    bias = owns ? 0 : 1;
  }
};

}  // namespace

TriangleRaster::TriangleRaster(JobContext& job) {
  if (!job.surface || !job.surface->hasContext()) return;
  job_ = &job;
  job.surface->beginGL();   // the context current, to read the view from it
  readView();
  image_ = &job.surface->beginPixels();
  imageHeight_ = image_->height();
  minX_ = std::max(viewX_, 0);
  maxX_ = std::min(viewX_ + viewWidth_, image_->width());
  minY_ = std::max(viewY_, 0);
  maxY_ = std::min(viewY_ + viewHeight_, imageHeight_);
}

// The view as GL holds it: single-precision matrices (glOrtho builds its
// matrix from float bounds) whose product maps plane coordinates to -1..1,
// and the viewport that maps -1..1 onto pixels as a scale and a centre.
void TriangleRaster::readView() {
  float modelView[16], projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  float m[16];
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += projection[k * 4 + row] * modelView[col * 4 + k];
      m[col * 4 + row] = sum;
    }
  // The view never turns the map: only the scales and offsets are used.
  scaleX_ = m[0];
  offsetX_ = m[12];
  scaleY_ = m[5];
  offsetY_ = m[13];
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  viewX_ = viewport[0];
  viewY_ = viewport[1];
  viewWidth_ = viewport[2];
  viewHeight_ = viewport[3];
  halfWidth_ = static_cast<float>(viewWidth_) / 2.0f;
  centreX_ = static_cast<float>(viewX_) + halfWidth_;
  halfHeight_ = static_cast<float>(viewHeight_) / 2.0f;
  centreY_ = static_cast<float>(viewY_) + halfHeight_;
}

TriangleRaster::FixedPoint TriangleRaster::snap(const double p[3]) const {
  const float x = static_cast<float>(p[0]), y = static_cast<float>(p[1]);
  // Multiplications and additions rounded one at a time, never fused, as
  // the GL pipeline does them.
  const float ndcX = x * scaleX_ + offsetX_;
  const float ndcY = y * scaleY_ + offsetY_;
  const float windowX = ndcX * halfWidth_ + centreX_;
  const float windowY = ndcY * halfHeight_ + centreY_;
  // Pixel centres sit half a pixel in; shifting by that puts them on whole
  // numbers of the fixed-point grid.
  return FixedPoint{std::lrint((windowX - 0.5f) * float(kSubpixels)),
                    std::lrint((windowY - 0.5f) * float(kSubpixels))};
}

void TriangleRaster::add(Colour colour, const double a[3], const double b[3], const double c[3]) {
  if (!image_) return;
  last_ = colour;
  any_ = true;
  const uint32_t argb = 0xFF000000u | (uint32_t(RedOf(colour)) << 16) | (uint32_t(GreenOf(colour)) << 8) |
                        uint32_t(BlueOf(colour));
  fill(argb, snap(a), snap(b), snap(c));
}

void TriangleRaster::fill(uint32_t argb, FixedPoint a, FixedPoint b, FixedPoint c) {
  const int64_t area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  if (area == 0) return;            // no inside, no pixel
  if (area < 0) std::swap(b, c);    // counter-clockwise from here on
  const int64_t x0 = std::max<int64_t>(CeilPixel(std::min({a.x, b.x, c.x})), minX_);
  const int64_t x1 = std::min<int64_t>(FloorPixel(std::max({a.x, b.x, c.x})), maxX_ - 1);
  const int64_t y0 = std::max<int64_t>(CeilPixel(std::min({a.y, b.y, c.y})), minY_);
  const int64_t y1 = std::min<int64_t>(FloorPixel(std::max({a.y, b.y, c.y})), maxY_ - 1);
  if (x0 > x1 || y0 > y1) return;
  Edge e[3] = {Edge(a, b, x0, y0), Edge(b, c, x0, y0), Edge(c, a, x0, y0)};
  uchar* bits = image_->bits();
  const qsizetype stride = image_->bytesPerLine();
  for (int64_t y = y0; y <= y1; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bits + (imageHeight_ - 1 - y) * stride);
    int64_t f0 = e[0].atRowStart, f1 = e[1].atRowStart, f2 = e[2].atRowStart;
    for (int64_t x = x0; x <= x1; ++x) {
      if (f0 >= e[0].bias && f1 >= e[1].bias && f2 >= e[2].bias) row[x] = argb;
      f0 += e[0].stepX;
      f1 += e[1].stepX;
      f2 += e[2].stepX;
    }
    for (Edge& edge : e) edge.atRowStart += edge.stepY;
  }
}

void TriangleRaster::flush() {
  if (!job_ || !any_) return;
  job_->surface->beginGL();
  float rgb[3];
  GlColourOf(last_, rgb);
  glColor3fv(rgb);
}

}  // namespace velkaro
