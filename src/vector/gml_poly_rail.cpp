// GML128PolyRail: railway centre lines routed by their type followed by the
// track kind ("単線", "複線以上", …), or by type + "地下" for lines underground.

#include <string>

#include "vector/gml_readers.h"
#include "vector/gml_reading.h"
#include "vector/vector_messages.h"

namespace velkaro::gml {

namespace {
constexpr std::string_view kUnderground = "地下";
}

void GML128PolyRail(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  ReaderRun run(req, source, scan, "GML128PolyRail");
  if (!run.start()) return;

  RingStore store(req.cells);
  std::string type, track, railState, routing;  // emptied after every feature
  int rank = kBaseRankLevel;   // back to it after every feature
  bool inList = false;

  auto vertex = [&](double lat, double lon) { return run.addVertex(store, lat, lon); };
  auto vertexLine = [&](std::string_view line) { return run.addVertexLine(store, line, true); };

  auto complete = [&]() -> bool {
    // The railway state decides whatever line of the feature it stands on.
    routing = type;
    routing += railState == kUnderground ? kUnderground : std::string_view(track);
    const int k = RouteIndex(scan, routing);
    if (k < 0 || req.rankThreshold > rank || !run.featureOnTile(store.box)) return true;
    return run.writeWholeLine(store, k);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return !inList || vertexLine(line);
    MarkerLine m(line);
    std::string_view value;
    if (m.contains("</gml:posList>") && !run.closeVertexList(store, inList, ReaderRun::ListStart::Replace))
      return false;
    if (m.take("<type>", value)) type.assign(value);
    if (m.take("<snglDbl>", value)) track.assign(value);
    if (m.take("<railState>", value)) railState.assign(value);
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (m.contains(scan.endTag)) {
      if (!complete()) return false;
      type.clear();
      track.clear();
      railState.clear();
      rank = kBaseRankLevel;
      store.clear();
      inList = false;
    }
    if (inList && !vertexLine(line)) return false;
    if (m.contains("<gml:posList>")) run.openVertexList(store, inList, ReaderRun::ListStart::Replace, {});
    return true;
  };

  run.walk(inList, true, examine, vertex);
}

}  // namespace velkaro::gml
