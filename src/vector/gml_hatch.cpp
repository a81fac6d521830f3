// The area readers: GML512HatchEdge writes every ring of a surface as an
// outline, GML1024Hatch the surface as a polygon record with its holes.
// Buildings whose outline is not longer than the building threshold are left
// out.

#include <string>

#include "vector/gml_readers.h"
#include "vector/gml_reading.h"
#include "vector/vector_messages.h"
#include "scratch/scratch_records.h"

namespace velkaro::gml {

namespace {

enum class AreaOutput { Outlines, Polygons };

// Perimeter threshold in plane units: `KKJ-Rank/bld` metres for the building
// element of the reader, nothing for any other element.
double PerimeterThreshold(const ReaderRequest& req, const ScanContext& scan, AreaOutput kind) {
  const char* building = kind == AreaOutput::Outlines ? "BldL" : "BldA";
  if (scan.elementName != building) return 0.0;
  return req.bld * req.coords.unitScale;
}

bool WriteOutlines(ScratchFile& out, RingStore& store) {
  bool ok = true;
  store.forEachRing([&](const CellPair* v, int32_t n) {
    if (!ok || n == 0) return;
    ok = WritePlaneVertices(out, v, n);
    scratch::EndPolyline(out);
  });
  return ok && !out.failed();
}

bool WritePolygon(ScratchFile& out, RingStore& store, std::string_view name) {
  bool ok = true;
  bool first = true;
  store.forEachRing([&](const CellPair* v, int32_t n) {
    if (!ok) return;
    scratch::BeginRing(out, !first, name, n);
    ok = WritePlaneVertices(out, v, n);
    first = false;
  });
  return ok && !out.failed();
}

void ReadAreas(const ReaderRequest& req, const SourceFile& source, ScanContext& scan, AreaOutput kind) {
  ReaderRun run(req, source, scan, kind == AreaOutput::Outlines ? "GML512HatchEdge" : "GML1024Hatch");
  if (!run.start()) return;

  const double threshold = PerimeterThreshold(req, scan, kind);
  RingStore store(req.cells);
  std::string routing;  // carries over between features
  std::string name;     // carries over between features
  int rank = 0;         // carries over between features
  bool inList = false;

  auto vertex = [&](double lat, double lon) { return run.addVertex(store, lat, lon); };
  auto vertexLine = [&](std::string_view line) { return run.addVertexLine(store, line, false); };

  auto complete = [&]() -> bool {
    if (!store.hasVertices()) return true;
    const int k = RouteIndex(scan, routing);
    if (k < 0 || req.rankThreshold > rank || !run.featureOnTile(store.box)) return true;
    store.convertToPlane(req);
    int32_t n = 0;
    const CellPair* outer = store.firstRing(n);
    if (!(RingPerimeter(req, outer, n) > threshold)) return true;
    ScratchFile& out = scan.outputs[static_cast<size_t>(k)];
    const bool ok = kind == AreaOutput::Outlines ? WriteOutlines(out, store)
                                                 : WritePolygon(out, store, name);
    if (!ok) run.fail();
    return ok;
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return !inList || vertexLine(line);
    MarkerLine m(line);
    std::string_view value;
    if (m.take("<type>", value)) routing.assign(value);
    if (kind == AreaOutput::Outlines) m.take("<state>", value);
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (kind == AreaOutput::Polygons && m.take("<name>", value)) name.assign(value);
    const bool featureEnds = m.contains(scan.endTag);
    if (featureEnds && !complete()) return false;
    if (m.contains("</gml:posList>") && !run.closeVertexList(store, inList, ReaderRun::ListStart::NewRing))
      return false;
    if (inList && !vertexLine(line)) return false;
    if (m.contains("<gml:posList>") &&
        !run.openVertexList(store, inList, ReaderRun::ListStart::NewRing, vector_msg::kPoolLimit))
      return false;
    if (featureEnds) {
      store.clear();
      inList = false;
    }
    return true;
  };

  run.walk(inList, false, examine, vertex);
}

}  // namespace

void GML512HatchEdge(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  ReadAreas(req, source, scan, AreaOutput::Outlines);
}

void GML1024Hatch(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  ReadAreas(req, source, scan, AreaOutput::Polygons);
}

}  // namespace velkaro::gml
