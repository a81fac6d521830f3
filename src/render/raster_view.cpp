#include "render/raster_view.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "job/job_context.h"
#include "render/render_surface.h"

namespace velkaro {

using namespace raster_detail;

RasterView::RasterView(JobContext& job) {
  if (!job.surface || !job.surface->tileOpen()) return;
  job_ = &job;
  readView();
  QImage& image = job.surface->beginPixels();
  // The pixels' address is taken once, here: asking the image for it
  // again from drawing threads would race on its bookkeeping.
  bits_ = image.bits();
  stride_ = image.bytesPerLine();
  clipTo(image.width(), image.height());
}

RasterView::RasterView(JobContext& job, PixelLayer& layer) {
  if (!job.surface || !job.surface->tileOpen() || layer.pixels.empty()) return;
  job_ = &job;
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

// The view as GL holds it: the single-precision ortho matrix (glOrtho
// builds it from float bounds) that maps plane coordinates to -1..1, and
// the viewport that maps -1..1 onto pixels as a scale and a centre.
void RasterView::readView() {
  // The view never turns the map: only the scales and offsets are used.
  const RenderSurface::View& view = job_->surface->view();
  scaleX_ = view.scaleX;
  offsetX_ = view.offsetX;
  scaleY_ = view.scaleY;
  offsetY_ = view.offsetY;
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

void RasterView::fillQuad(Colour colour, const FixedPoint corners[4]) {
  if (!bits_) return;
  // The bounds first: a segment of a short contour step often holds no
  // pixel centre at all.
  const FixedPoint &p0 = corners[0], &p1 = corners[1], &p2 = corners[2], &p3 = corners[3];
  int64_t x0, x1, y0, y1;
  if (!centresWithin(std::min({p0.x, p1.x, p2.x, p3.x}), std::max({p0.x, p1.x, p2.x, p3.x}),
                     std::min({p0.y, p1.y, p2.y, p3.y}), std::max({p0.y, p1.y, p2.y, p3.y}), x0, x1, y0, y1))
    return;
  const int64_t twiceArea =
      (p0.x * p1.y - p1.x * p0.y) + (p1.x * p2.y - p2.x * p1.y) + (p2.x * p3.y - p3.x * p2.y) + (p3.x * p0.y - p0.x * p3.y);
  if (twiceArea == 0) return;   // no inside, no pixel
  // Counter-clockwise; the four edges are held apart rather than in an
  // array, so that their values stay in registers across the pixels (as in
  // fillTriangleIn, whose lazy colour keeps the two loops apart).
  const bool ccw = twiceArea > 0;
  const FixedPoint q0 = ccw ? p0 : p3, q1 = ccw ? p1 : p2, q2 = ccw ? p2 : p1, q3 = ccw ? p3 : p0;
  const Edge e0(q0, q1, x0, y0), e1(q1, q2, x0, y0), e2(q2, q3, x0, y0), e3(q3, q0, x0, y0);
  const uint32_t argb = ArgbOf(colour);
  int64_t row0 = e0.atRowStart, row1 = e1.atRowStart, row2 = e2.atRowStart, row3 = e3.atRowStart;
  for (int64_t y = y0; y <= y1; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bits_ + (imageHeight_ - 1 - y) * stride_);
    int64_t f0 = row0, f1 = row1, f2 = row2, f3 = row3;
    for (int64_t x = x0; x <= x1; ++x) {
      if (f0 >= e0.bias && f1 >= e1.bias && f2 >= e2.bias && f3 >= e3.bias) row[x] = argb;
      f0 += e0.stepX;
      f1 += e1.stepX;
      f2 += e2.stepX;
      f3 += e3.stepX;
    }
    row0 += e0.stepY;
    row1 += e1.stepY;
    row2 += e2.stepY;
    row3 += e3.stepY;
  }
}

void RasterView::handBackToGl(Colour colour) {
  if (!job_) return;
  job_->surface->setGlColour(colour);
}

}  // namespace velkaro
