// GML256Poly: other line features (road edges, road components) routed by
// "<type>" and written only when visible; tunnel road edges are always drawn.

#include <string>

#include "vector/gml_readers.h"
#include "vector/gml_reading.h"
#include "vector/vector_messages.h"

namespace velkaro::gml {

namespace {
constexpr std::string_view kVisible = "表示";
constexpr std::string_view kNoVisibility = "0";
constexpr std::string_view kTunnelRoad = "トンネル内の道路";
}  // namespace

void GML256Poly(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  ReaderRun run(req, source, scan, "GML256Poly");
  if (!run.start()) return;

  RingStore store(req.cells);
  std::string routing;                          // carries over between features
  std::string visibility(kNoVisibility);        // per feature; absent means visible
  int rank = 0;                                 // carries over between features
  bool inList = false;

  auto vertex = [&](double lat, double lon) { return run.addVertex(store, lat, lon); };
  auto vertexLine = [&](std::string_view line) { return run.addVertexLine(store, line, false); };

  auto complete = [&]() -> bool {
    if (routing == kTunnelRoad) visibility = kVisible;
    if (visibility != kVisible && visibility != kNoVisibility) return true;
    const int k = RouteIndex(scan, routing);
    if (k < 0 || req.rankThreshold > rank || !run.featureOnTile(store.box)) return true;
    return run.writeWholeLine(store, k);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return !inList || vertexLine(line);
    MarkerLine m(line);
    std::string_view value;
    if (m.take("<vis>", value)) visibility.assign(value);
    if (m.take("<type>", value)) routing.assign(value);
    m.take("<state>", value);
    if (m.contains("</gml:posList>") && !run.closeVertexList(store, inList, ReaderRun::ListStart::Replace))
      return false;
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (inList && !vertexLine(line)) return false;
    if (m.contains("<gml:posList>")) run.openVertexList(store, inList, ReaderRun::ListStart::Replace, {});
    if (m.contains(scan.endTag)) {
      if (!complete()) return false;
      store.clear();
      visibility = kNoVisibility;  // a later feature without "<vis>" is visible
      inList = false;
    }
    return true;
  };

  run.walk(inList, false, examine, vertex);
}

}  // namespace velkaro::gml
