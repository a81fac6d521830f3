// GML32Poly: line features routed by "<type>", the first vertex list of each
// feature cut at secondary mesh boundaries.

#include <string>

#include "vector/gml_mesh_cut.h"
#include "vector/gml_readers.h"
#include "vector/gml_reading.h"
#include "vector/vector_messages.h"

namespace velkaro::gml {

void GML32Poly(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  ReaderRun run(req, source, scan, "GML32Poly");
  if (!run.start()) return;

  RingStore store(req.cells);
  std::string routing;   // carries over between features
  int rank = kBaseRankLevel;   // carries over between features
  bool inList = false;

  auto vertex = [&](double lat, double lon) {
    if (store.add(lon, lat)) return true;
    run.overflow(vector_msg::kXyLimit);
    return false;
  };

  auto complete = [&]() -> bool {
    const int k = RouteIndex(scan, routing);
    if (k < 0 || req.rankThreshold > rank || !run.featureOnTile(store.box)) return true;
    int32_t n = 0;
    const CellPair* ring = store.firstRing(n);
    ScratchFile& out = scan.outputs[static_cast<size_t>(k)];
    bool ok = true;
    ForEachMeshPiece(ring, n, [&](int32_t from, int32_t to) {
      ok = WriteGeoPolyline(out, req, ring, from, to);
      return ok;
    });
    if (!ok) run.fail();
    return ok;
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) {
      if (!inList) return true;
      double lat, lon;
      if (!ParseVertexLine(line, true, lat, lon)) {
        run.fail();
        return false;
      }
      return vertex(lat, lon);
    }
    MarkerLine m(line);
    std::string_view value;
    if (m.contains(scan.startTag)) {
      store.clear();
      inList = false;
    }
    if (m.contains("</gml:posList>") && !run.closeVertexList(store, inList, ReaderRun::ListStart::NewRing))
      return false;
    if (m.take("<type>", value)) routing.assign(value);
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    m.take("<name>", value);
    if (m.contains(scan.endTag)) {
      if (!complete()) return false;
      store.clear();
      inList = false;
    }
    if (inList) {
      double lat, lon;
      if (!ParseVertexLine(line, true, lat, lon)) {
        run.fail();
        return false;
      }
      if (!vertex(lat, lon)) return false;
    }
    if (m.contains("<gml:posList>") &&
        !run.openVertexList(store, inList, ReaderRun::ListStart::NewRing, vector_msg::kXyLimit))
      return false;
    return true;
  };

  run.walk(inList, true, examine, vertex);
}

}  // namespace velkaro::gml
