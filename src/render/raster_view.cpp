#include "render/raster_view.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "job/job_context.h"
#include "render/render_surface.h"
#include "render/vertex_batch.h"

namespace velkaro {

using namespace raster_detail;

FixedPoint SnapToSubpixels(float x, float y) {
  return FixedPoint{std::lrint(x * float(kSubpixels)), std::lrint(y * float(kSubpixels))};
}

RasterView::RasterView(JobContext& job) {
  if (!job.surface || !job.surface->hasContext()) return;
  job_ = &job;
  job.surface->beginGL();   // the context current, to read the view from it
  readView();
  QImage& image = job.surface->beginPixels();
  // The pixels' address is taken once, here: asking the image for it
  // again from drawing threads would race on its bookkeeping.
  bits_ = image.bits();
  stride_ = image.bytesPerLine();
  clipTo(image.width(), image.height());
}

RasterView::RasterView(JobContext& job, PixelLayer& layer) {
  if (!job.surface || !job.surface->hasContext() || layer.pixels.empty()) return;
  job_ = &job;
  job.surface->beginGL();
  readView();
  bits_ = reinterpret_cast<uchar*>(layer.pixels.data());
  stride_ = static_cast<qsizetype>(layer.width) * 4;
  clipTo(layer.width, layer.height);
}

void RasterView::clipTo(int width, int height) {
  imageHeight_ = height;
  minX_ = std::max(viewX_, 0);
  maxX_ = std::min(viewX_ + viewWidth_, width);
  minY_ = std::max(viewY_, 0);
  maxY_ = std::min(viewY_ + viewHeight_, imageHeight_);
}

void PixelLayer::cover(int imageWidth, int imageHeight) {
  width = imageWidth;
  height = imageHeight;
  pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
}

void PixelLayer::layOver(QImage& image) const {
  if (pixels.empty() || image.width() != width || image.height() != height) return;
  for (int y = 0; y < height; ++y) {
    const uint32_t* from = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    auto* to = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < width; ++x)
      if (from[x] != 0) to[x] = from[x];
  }
}

// The view as GL holds it: single-precision matrices (glOrtho builds its
// matrix from float bounds) whose product maps plane coordinates to -1..1,
// and the viewport that maps -1..1 onto pixels as a scale and a centre.
void RasterView::readView() {
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
  const std::array<int, 4> viewport = job_->surface->viewport();
  viewX_ = viewport[0];
  viewY_ = viewport[1];
  viewWidth_ = viewport[2];
  viewHeight_ = viewport[3];
  halfWidth_ = static_cast<float>(viewWidth_) / 2.0f;
  centreX_ = static_cast<float>(viewX_) + halfWidth_;
  halfHeight_ = static_cast<float>(viewHeight_) / 2.0f;
  centreY_ = static_cast<float>(viewY_) + halfHeight_;
}

WindowPoint RasterView::window(double easting, double northing) const {
  const float x = static_cast<float>(easting), y = static_cast<float>(northing);
  // Multiplications and additions rounded one at a time, never fused, as
  // the GL pipeline does them.
  const float ndcX = x * scaleX_ + offsetX_;
  const float ndcY = y * scaleY_ + offsetY_;
  return WindowPoint{ndcX * halfWidth_ + centreX_, ndcY * halfHeight_ + centreY_};
}

void RasterView::fillQuad(Colour colour, const FixedPoint corners[4], FlatEdgeOwner flat) {
  if (!bits_) return;
  constexpr int N = 4;
  // The bounds first: a segment of a short contour step often holds no
  // pixel centre at all.
  int64_t minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
  for (int i = 1; i < N; ++i) {
    minX = std::min(minX, corners[i].x), maxX = std::max(maxX, corners[i].x);
    minY = std::min(minY, corners[i].y), maxY = std::max(maxY, corners[i].y);
  }
  const int64_t x0 = std::max<int64_t>(CeilPixel(minX), minX_);
  const int64_t x1 = std::min<int64_t>(FloorPixel(maxX), maxX_ - 1);
  const int64_t y0 = std::max<int64_t>(CeilPixel(minY), minY_);
  const int64_t y1 = std::min<int64_t>(FloorPixel(maxY), maxY_ - 1);
  if (x0 > x1 || y0 > y1) return;
  int64_t twiceArea = 0;
  for (int i = 0; i < N; ++i) {
    const FixedPoint& p = corners[i];
    const FixedPoint& q = corners[i + 1 < N ? i + 1 : 0];
    twiceArea += p.x * q.y - q.x * p.y;
  }
  if (twiceArea == 0) return;   // no inside, no pixel
  FixedPoint ccw[N];
  for (int i = 0; i < N; ++i) ccw[i] = twiceArea > 0 ? corners[i] : corners[N - 1 - i];
  static_assert(N == 4);
  // Built in place: a default-built array would first be cleared, which
  // cost more than the rest of a short segment's setup.
  Edge e[N] = {Edge(ccw[0], ccw[1], x0, y0, flat), Edge(ccw[1], ccw[2], x0, y0, flat),
               Edge(ccw[2], ccw[3], x0, y0, flat), Edge(ccw[3], ccw[0], x0, y0, flat)};
  const uint32_t argb = ArgbOf(colour);
  for (int64_t y = y0; y <= y1; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bits_ + (imageHeight_ - 1 - y) * stride_);
    int64_t f[N];
    for (int i = 0; i < N; ++i) f[i] = e[i].atRowStart;
    for (int64_t x = x0; x <= x1; ++x) {
      bool inside = true;
      for (int i = 0; i < N; ++i) inside = inside && f[i] >= e[i].bias;
      if (inside) row[x] = argb;
      for (int i = 0; i < N; ++i) f[i] += e[i].stepX;
    }
    for (Edge& edge : e) edge.atRowStart += edge.stepY;
  }
}

void RasterView::handBackToGl(Colour colour) {
  if (!job_) return;
  job_->surface->beginGLState();
  float rgb[3];
  GlColourOf(colour, rgb);
  glColor3fv(rgb);
}

}  // namespace velkaro
