// GML64PolyRoad: road centre lines routed by "<rdCtg>", written with their
// drawing width in pixels ("lw") from the width class or the measured width.

#include <cmath>
#include <string>

#include "platform/saturating_int.h"
#include "vector/gml_readers.h"
#include "vector/gml_reading.h"
#include "vector/gml_road_width.h"
#include "vector/vector_messages.h"
#include "scratch/scratch_records.h"

namespace velkaro::gml {

double RoadWidthOfClass(std::string_view widthClass, double current, double unitScale) {
  struct Class {
    std::string_view text;
    double metres;
  };
  static constexpr Class kClasses[] = {
      {"3m未満", 2.5},          {"3m-5.5m未満", 4.25},   {"5.5m-13m未満", 9.25},
      {"13m-19.5m未満", 16.25}, {"19.5m以上", 23.0},
  };
  for (const Class& c : kClasses)
    if (widthClass == c.text) return c.metres * unitScale;
  return current;
}

int RoadPixelWidth(const ReaderRequest& req, double width) {
  const double unitsPerPixel = req.image.unitsPerPixel;
  const double ground = req.coords.latLonMode
                            ? width / 360.0 / 60.0 / 60.0 * 10.0 / req.coords.unitScale
                            : width;
  // A width past what an int holds (a damaged file's) is the widest there
  // is, which the drawing caps at its widest line.
  return SaturatingTrunc(ground / unitsPerPixel + 0.999999999);
}

void GML64PolyRoad(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  ReaderRun run(req, source, scan, "GML64PolyRoad");
  if (!run.start()) return;

  const double unitScale = req.coords.unitScale;
  RingStore store(req.cells);
  std::string routing;            // all three carry over between features
  double width = 2.5 * unitScale;
  int rank = 0;
  bool inList = false;

  auto vertex = [&](double lat, double lon) { return run.addVertex(store, lat, lon); };
  auto vertexLine = [&](std::string_view line) { return run.addVertexLine(store, line, false); };

  auto complete = [&]() -> bool {
    if (!store.hasVertices() || !run.featureOnTile(store.box)) return true;
    const int k = RouteIndex(scan, routing);
    if (k < 0 || req.roadWidthThreshold > width || req.rankThreshold > rank) return true;
    int32_t n = 0;
    const CellPair* ring = store.firstRing(n);
    ScratchFile& out = scan.outputs[static_cast<size_t>(k)];
    scratch::WriteLineWidth(out, RoadPixelWidth(req, width));
    if (!WriteGeoPolyline(out, req, ring, 0, n - 1)) {
      run.fail();
      return false;
    }
    return true;
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return !inList || vertexLine(line);
    MarkerLine m(line);
    std::string_view value;
    if (m.take("<rdCtg>", value, "</")) routing.assign(value);
    m.take("<state>", value, "</");
    if (m.take("<rnkWidth>", value, "</")) width = RoadWidthOfClass(value, width, unitScale);
    if (m.take("<Width>", value, "</")) {
      double metres = 0;
      if (!value.empty()) {
        if (!ParseNumber(value, metres)) {
          run.fail();
          return false;
        }
        width = metres * unitScale;
      }
    }
    m.take("<tollSect>", value, "</");
    m.take("<motorway>", value, "</");
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (m.contains("</gml:posList>") && !run.closeVertexList(store, inList, ReaderRun::ListStart::Replace))
      return false;
    if (m.contains(scan.endTag)) {
      if (!complete()) return false;
      store.clear();  // a feature without a vertex list writes nothing
      inList = false;
    }
    if (inList && !vertexLine(line)) return false;
    // Only the last vertex list of a feature is drawn.
    if (m.contains("<gml:posList>")) run.openVertexList(store, inList, ReaderRun::ListStart::Replace, {});
    return true;
  };

  run.walk(inList, false, examine, vertex);
}

}  // namespace velkaro::gml
