#pragma once
// Drawing into the surface's image without GL, pixel for pixel as the
// software GL pipeline would draw: plane coordinates go through the view GL
// holds (its single-precision matrices and viewport), positions snap to 1/256
// pixel, a pixel belongs to a shape when the shape covers its centre, and a
// centre on an edge shared by two shapes goes to exactly one of them.
// Millions of tiny shapes (terrain triangles, contour segments) cost GL a
// setup each that dwarfs their few pixels; here each costs a few nanoseconds.

#include <QImage>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/colours.h"

namespace velkaro {

struct JobContext;

// A position in 1/256 pixel, GL's bottom-up rows, pixel centres on whole
// pixels.
struct FixedPoint {
  int64_t x, y;
};

// A window position in GL's pixels (bottom-up, centres at .5) as floats.
struct WindowPoint {
  float x, y;
};

// Window positions are kept within this many pixels of the origin before
// they are snapped: the corners of a shape are multiplied in 1/256 pixel,
// and a point of a long source line or a big area far off the tile would
// overflow those products. GL clips such shapes too; a tile is never near
// this size.
inline constexpr double kGuardPixels = 1 << 20;
inline bool WithinGuard(WindowPoint p) { return std::fabs(p.x) <= kGuardPixels && std::fabs(p.y) <= kGuardPixels; }

inline constexpr int kSubpixelBits = 8;
inline constexpr int64_t kSubpixels = int64_t{1} << kSubpixelBits;

// Float to 1/256 pixel, rounding to nearest (even on a tie), as GL snaps.
// Inline, with the conversion instruction lrintf itself uses: the mesh and
// the contour lines snap millions of points a tile.
inline int64_t RoundToSubpixels(float v) {
#if defined(__x86_64__)
  return _mm_cvtss_si64(_mm_set_ss(v * float(kSubpixels)));
#else
  return std::lrint(v * float(kSubpixels));
#endif
}
inline FixedPoint SnapToSubpixels(float x, float y) { return FixedPoint{RoundToSubpixels(x), RoundToSubpixels(y)}; }

// Pixels drawn apart from the image, to be laid over it later: the image's
// rows (top-down) and size, 0 where nothing was drawn (an image pixel always
// has its alpha byte set, so no drawn pixel is 0).
struct PixelLayer {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;

  // Sized to an image of width x height, nothing drawn; throws
  // std::bad_alloc.
  void cover(int imageWidth, int imageHeight);
  // Copies the drawn pixels into `image`, which has the layer's size.
  void layOver(QImage& image) const;
};

namespace raster_detail {

// Whole pixels from 1/256 pixels, rounding towards minus infinity.
inline int64_t FloorPixel(int64_t fixed) { return fixed >> kSubpixelBits; }
inline int64_t CeilPixel(int64_t fixed) { return (fixed + kSubpixels - 1) >> kSubpixelBits; }

// One edge of a counter-clockwise polygon (bottom-up pixels) as the value of
// its edge function at a pixel centre and its steps per pixel. A centre on a
// left edge belongs to this polygon, one on a right edge to the neighbour
// across it; one on a horizontal edge to the shape above the edge (its
// bottom side), as GL gives it in the image's top-down framebuffer.
struct Edge {
  int64_t stepX = 0, stepY = 0, atRowStart = 0;
  int64_t bias = 0;

  Edge() = default;
  Edge(FixedPoint p, FixedPoint q, int64_t x0, int64_t y0) {
    const int64_t dx = q.x - p.x, dy = q.y - p.y;
    stepX = -dy * kSubpixels;
    stepY = dx * kSubpixels;
    atRowStart = dx * (y0 * kSubpixels - p.y) - dy * (x0 * kSubpixels - p.x);
    // A flat edge running right is the bottom side of a counter-clockwise
    // polygon; one of no length (corners met on snapping) leaves every
    // centre in.
    const bool owns = dy < 0 || (dy == 0 && dx >= 0);
    bias = owns ? 0 : 1;
  }
};

inline uint32_t ArgbOf(Colour colour) {
  return 0xFF000000u | (uint32_t(RedOf(colour)) << 16) | (uint32_t(GreenOf(colour)) << 8) |
         uint32_t(BlueOf(colour));
}

}  // namespace raster_detail

class RasterView {
 public:
  // Reads the view from the job surface's GL context and takes over its
  // image for direct drawing (nothing is drawn when the job has no surface
  // or no context, as GL drawing would do nothing).
  explicit RasterView(JobContext& job);
  // The same view, drawing into `layer` instead (sized to the image); the
  // image itself is not touched, so the drawing may go on while others
  // draw into the image.
  RasterView(JobContext& job, PixelLayer& layer);

  bool active() const { return bits_ != nullptr; }
  // A plane point (easting, northing) in window pixels.
  WindowPoint window(double easting, double northing) const;
  // The pixels whose centres are inside the triangle or convex quad (in
  // either winding), clipped to the viewport and the image.
  void fillTriangle(Colour colour, const FixedPoint corners[3]) {
    fillTriangleIn(corners, [colour] { return colour; });
  }
  // The same, asking `colourOf()` for the colour only when the triangle
  // holds a pixel centre (most of a terrain's tiny triangles hold one or
  // none, and their colour takes longer to work out than their fill).
  template <class ColourOf>
  void fillTriangleIn(const FixedPoint corners[3], const ColourOf& colourOf);
  void fillQuad(Colour colour, const FixedPoint corners[4]);
  // Leaves GL's current colour at `colour`, as drawing the last shape
  // through GL would have done.
  void handBackToGl(Colour colour);

 private:
  void readView();
  void clipTo(int width, int height);
  // The pixel centres inside a shape's bounds (its corners' extremes in
  // 1/256 pixel) and the part of the image drawn into, bottom-up and
  // inclusive; false when there are none.
  bool centresWithin(int64_t minX, int64_t maxX, int64_t minY, int64_t maxY, int64_t& x0, int64_t& x1, int64_t& y0,
                     int64_t& y1) const {
    x0 = std::max<int64_t>(raster_detail::CeilPixel(minX), minX_);
    x1 = std::min<int64_t>(raster_detail::FloorPixel(maxX), maxX_ - 1);
    if (x0 > x1) return false;
    y0 = std::max<int64_t>(raster_detail::CeilPixel(minY), minY_);
    y1 = std::min<int64_t>(raster_detail::FloorPixel(maxY), maxY_ - 1);
    return y0 <= y1;
  }

  JobContext* job_ = nullptr;
  uchar* bits_ = nullptr;
  qsizetype stride_ = 0;
  int imageHeight_ = 0;
  float scaleX_ = 0, offsetX_ = 0, scaleY_ = 0, offsetY_ = 0;
  float halfWidth_ = 0, centreX_ = 0, halfHeight_ = 0, centreY_ = 0;
  int viewX_ = 0, viewY_ = 0, viewWidth_ = 0, viewHeight_ = 0;
  // Pixels the viewport and the image share, bottom-up, max exclusive.
  int minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
};

// The terrain's triangles, millions of them of about a pixel each, take a
// shorter way than fillQuad: most hold one pixel centre or none, so the
// centres in the bounds are tested one by one without stepping edges.
template <class ColourOf>
void RasterView::fillTriangleIn(const FixedPoint corners[3], const ColourOf& colourOf) {
  using namespace raster_detail;
  if (!bits_) return;
  const FixedPoint a = corners[0];
  FixedPoint b = corners[1], c = corners[2];
  int64_t x0, x1, y0, y1;
  if (!centresWithin(std::min({a.x, b.x, c.x}), std::max({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}),
                     std::max({a.y, b.y, c.y}), x0, x1, y0, y1))
    return;
  const int64_t twiceArea = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  if (twiceArea == 0) return;   // no inside, no pixel
  if (twiceArea < 0) std::swap(b, c);   // counter-clockwise from here on
  const Edge e0(a, b, x0, y0), e1(b, c, x0, y0), e2(c, a, x0, y0);
  uint32_t argb = 0;
  bool coloured = false;
  int64_t row0 = e0.atRowStart, row1 = e1.atRowStart, row2 = e2.atRowStart;
  for (int64_t y = y0; y <= y1; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bits_ + (imageHeight_ - 1 - y) * stride_);
    int64_t f0 = row0, f1 = row1, f2 = row2;
    for (int64_t x = x0; x <= x1; ++x) {
      if (f0 >= e0.bias && f1 >= e1.bias && f2 >= e2.bias) {
        if (!coloured) argb = ArgbOf(colourOf()), coloured = true;
        row[x] = argb;
      }
      f0 += e0.stepX;
      f1 += e1.stepX;
      f2 += e2.stepX;
    }
    row0 += e0.stepY;
    row1 += e1.stepY;
    row2 += e2.stepY;
  }
}

}  // namespace velkaro
