#include "vector/gml_point_reading.h"

#include <cmath>

namespace velkaro::gml {

bool PointRun::takePosition(MarkerLine& m) {
  std::string_view value;
  if (!m.take("<gml:pos>", value)) return true;
  double lat = 0, lon = 0;
  if (!ParseVertexLine(value, true, lat, lon)) return fail();
  point_ = ToPlane(req, lon, lat);
  hasPoint_ = true;
  return true;
}

bool PointRun::onTile(TileWidening widening) const {
  if (!hasPoint_) return false;
  const CurrentTile& t = req.tile;
  double west = t.west, north = t.north;
  if (widening == TileWidening::West) west -= (t.east - t.west) / 20;
  if (widening == TileWidening::North) north += (t.north - t.south) / 20;
  return t.south <= point_.north && point_.north <= north && west <= point_.east && point_.east <= t.east;
}

scratch::PixelPosition PointRun::pixel() const {
  const ImageGeometry& image = req.image;
  const double x = point_.east / image.unitsPerPixel * image.latFactor - req.tile.mapOffsetX;
  const double y = image.height - point_.north / image.unitsPerPixel + req.tile.mapOffsetY;
  return scratch::PixelPosition{static_cast<long>(std::trunc(x)), static_cast<long>(std::trunc(y))};
}

bool PointRun::countFeature() {
  if (++features_ % 10000 != 0) return true;
  req.host.setLabel(LabelRole::Detail, std::to_string(features_));
  req.host.pump();
  return req.runFlag;
}

ScratchFile* PointRun::output(int k) {
  if (k < 0 || static_cast<size_t>(k) >= scan.outputs.size()) return nullptr;
  return &scan.outputs[static_cast<size_t>(k)];
}

bool PointRun::written(int k) {
  if (!run_.outputFailed(k)) return true;
  return fail();
}

bool TakeHeight(const ReaderRequest& req, std::string_view text, double& metres) {
  double v = 0;
  if (!ParseNumber(text, v)) return false;
  metres = v + req.datumOffset;
  return true;
}

}  // namespace velkaro::gml
