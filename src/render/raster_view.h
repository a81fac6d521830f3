#pragma once
// Drawing into the surface's image without GL, pixel for pixel as the
// software GL pipeline would draw: plane coordinates go through the view GL
// holds (its single-precision matrices and viewport), positions snap to 1/256
// pixel, a pixel belongs to a shape when the shape covers its centre, and a
// centre on an edge shared by two shapes goes to exactly one of them.
// Millions of tiny shapes (terrain triangles, contour segments) cost GL a
// setup each that dwarfs their few pixels; here each costs a few nanoseconds.

#include <QImage>

#include <cstdint>

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

inline constexpr int kSubpixelBits = 8;
inline constexpr int64_t kSubpixels = int64_t{1} << kSubpixelBits;

// Float to 1/256 pixel, rounding to nearest (even on a tie), as GL snaps.
FixedPoint SnapToSubpixels(float x, float y);

// Which of two shapes sharing a horizontal edge gets the pixel centres on
// it: GL gives them to the shape above for triangles, below for lines.
enum class FlatEdgeOwner { Top, Bottom };

class RasterView {
 public:
  // Reads the view from the job surface's GL context and takes over its
  // image for direct drawing (nothing is drawn when the job has no surface
  // or no context, as GL drawing would do nothing).
  explicit RasterView(JobContext& job);

  bool active() const { return image_ != nullptr; }
  // A plane point (easting, northing) in window pixels.
  WindowPoint window(double easting, double northing) const;
  // The pixels whose centres are inside the triangle or convex quad (in
  // either winding), clipped to the viewport and the image.
  void fillTriangle(Colour colour, const FixedPoint corners[3], FlatEdgeOwner flat);
  void fillQuad(Colour colour, const FixedPoint corners[4], FlatEdgeOwner flat);
  // Leaves GL's current colour at `colour`, as drawing the last shape
  // through GL would have done.
  void handBackToGl(Colour colour);

 private:
  void readView();

  JobContext* job_ = nullptr;
  QImage* image_ = nullptr;
  uchar* bits_ = nullptr;
  qsizetype stride_ = 0;
  int imageHeight_ = 0;
  float scaleX_ = 0, offsetX_ = 0, scaleY_ = 0, offsetY_ = 0;
  float halfWidth_ = 0, centreX_ = 0, halfHeight_ = 0, centreY_ = 0;
  int viewX_ = 0, viewY_ = 0, viewWidth_ = 0, viewHeight_ = 0;
  // Pixels the viewport and the image share, bottom-up, max exclusive.
  int minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
};

}  // namespace velkaro
