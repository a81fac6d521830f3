#pragma once
// Line strips (contour lines) filled straight into the image (see
// raster_view.h) as the software GL pipeline draws lines: each segment is a
// quad of the line's width along its major axis, its ends moved by the
// diamond-exit rule so that segments of a strip neither double nor miss the
// pixel where they meet.

#include <vector>

#include "render/raster_view.h"

namespace velkaro {

class LineRaster {
 public:
  explicit LineRaster(JobContext& job) : view_(job) {}
  // Drawing into `layer` rather than the image.
  LineRaster(JobContext& job, PixelLayer& layer) : view_(job, layer) {}

  bool active() const { return view_.active(); }
  // Colour and width (pixels, rounded to whole ones) of the segments that
  // follow.
  void setColour(Colour colour) { colour_ = colour; }
  void setWidth(float width);
  // Plane points of one strip; endStrip() draws its segments.
  void vertex(double easting, double northing) { strip_.push_back(view_.window(easting, northing)); }
  void endStrip();
  // Leaves GL's current colour at the last colour used.
  void flush();

 private:
  void segment(WindowPoint from, WindowPoint to);

  RasterView view_;
  std::vector<WindowPoint> strip_;
  Colour colour_ = 0;
  int64_t halfWidth_ = kSubpixels / 2;   // 1/256 pixel
  bool any_ = false;
};

}  // namespace velkaro
