#include "render/terrain_raster.h"

namespace velkaro {

// Pixel centres sit half a pixel in; shifting by that puts them on whole
// numbers of the fixed-point grid.
FixedPoint TriangleRaster::snap(double easting, double northing) const {
  const WindowPoint w = view_.window(easting, northing);
  return SnapToSubpixels(w.x - 0.5f, w.y - 0.5f);
}

void TriangleRaster::flush(Colour last) { view_.handBackToGl(last); }

}  // namespace velkaro
