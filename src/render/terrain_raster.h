#pragma once
// Flat-coloured triangles of the terrain mesh filled straight into the image
// (see raster_view.h), as the GL view would fill them.

#include "render/raster_view.h"

namespace velkaro {

class TriangleRaster {
 public:
  explicit TriangleRaster(JobContext& job) : view_(job) {}

  // A plane point's pixel position, as GL would place a vertex there.
  FixedPoint snap(double easting, double northing) const;
  // A triangle of such positions. Fills from several threads at once are
  // safe as long as their triangles do not overlap.
  void fill(Colour colour, const FixedPoint corners[3]) {
    view_.fillTriangle(colour, corners);
  }
  // The same, the colour asked of `colourOf()` only for a triangle that
  // holds a pixel.
  template <class ColourOf>
  void fillIn(const FixedPoint corners[3], const ColourOf& colourOf) {
    view_.fillTriangleIn(corners, colourOf);
  }
  // Leaves GL's current colour at that of the last triangle drawn (in the
  // mesh's own order), as drawing through GL would.
  void flush(Colour last);

 private:
  RasterView view_;
};

}  // namespace velkaro
