#pragma once
// Flat-coloured triangles filled straight into the surface's image, pixel for
// pixel as the GL view would fill them: plane coordinates go through the same
// single-precision orthographic and viewport transform, positions snap to
// 1/256 pixel, a pixel belongs to the triangle that covers its centre, and a
// centre on an edge shared by two triangles goes to exactly one of them.
// The terrain mesh is millions of triangles of about a pixel each; the
// software GL pipeline spends most of its time setting each one up, this
// spends a few nanoseconds.

#include <QImage>

#include <cstdint>
#include <vector>

#include "render/colours.h"

namespace velkaro {

struct JobContext;

class TriangleRaster {
 public:
  // Fills into the job's surface through the GL context's current view
  // (nothing when the job has no surface or no context, as GL drawing would
  // do nothing).
  explicit TriangleRaster(JobContext& job);

  // A triangle of plane points (easting, northing, anything); the third
  // value is ignored, as the view never clips on it.
  void add(Colour colour, const double a[3], const double b[3], const double c[3]);
  // Leaves GL's current colour at that of the last triangle, as drawing the
  // triangles through GL would.
  void flush();

  struct FixedPoint {
    int64_t x, y;   // 1/256 pixel, bottom-up, pixel centres on whole pixels
  };

 private:
  void readView();
  FixedPoint snap(const double p[3]) const;
  void fill(uint32_t argb, FixedPoint a, FixedPoint b, FixedPoint c);

  JobContext* job_ = nullptr;
  QImage* image_ = nullptr;
  int imageHeight_ = 0;
  // The transform in GL's own single precision.
  float scaleX_ = 0, offsetX_ = 0, scaleY_ = 0, offsetY_ = 0;
  float halfWidth_ = 0, centreX_ = 0, halfHeight_ = 0, centreY_ = 0;
  int viewX_ = 0, viewY_ = 0, viewWidth_ = 0, viewHeight_ = 0;
  // Pixels the viewport and the image share, bottom-up, max exclusive.
  int minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
  bool any_ = false;
  Colour last_ = 0;
};

}  // namespace velkaro
