#pragma once
// Area fills (a layer's or a theme's polygons, tessellated by GLU) filled
// straight into the image (see raster_view.h) as the GL view would fill
// their triangles: a big building layer holds hundreds of thousands of
// small triangles, and GL's setup of each costs more than its pixels.

#include "render/primitives.h"
#include "render/raster_view.h"

namespace velkaro {

class PolygonRaster : public TriangleSink {
 public:
  explicit PolygonRaster(JobContext& job) : view_(job) {}

  bool active() const { return view_.active(); }
  // The colour of the triangles that follow.
  void setColour(Colour colour) { colour_ = colour; }
  void triangle(const TessVertex& a, const TessVertex& b, const TessVertex& c) override;

 private:
  void fill(WindowPoint a, WindowPoint b, WindowPoint c);

  RasterView view_;
  Colour colour_ = 0;
};

}  // namespace velkaro
