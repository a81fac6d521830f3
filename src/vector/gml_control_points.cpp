// GML4GCP: geodetic control points routed by their class, written as
// control point records in plane coordinates. Auxiliary points (a name
// containing "（付）") go to the child keyed "outofdata". No rank
// suppression: control point levels are codes such as "KJ13".

#include <string>

#include "vector/gml_point_reading.h"
#include "vector/gml_readers.h"

namespace velkaro::gml {

namespace {
constexpr std::string_view kAuxiliaryMark = "（付）";
constexpr std::string_view kAuxiliaryRouting = "outofdata";
}  // namespace

void GML4GCP(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  PointRun run(req, source, scan, "GML4GCP");
  if (!run.start()) return;

  double metres = req.datumOffset;
  std::string routing;   // the class, or "outofdata"; carries over

  auto complete = [&]() -> bool {
    const int k = RouteIndex(scan, routing);
    ScratchFile* out = run.output(k);
    if (out == nullptr || !run.onTile()) return true;
    const PlanePoint& p = run.point();
    scratch::WriteControlPointRecord(*out, p.east, p.north, metres, routing);
    return run.written(k);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return true;
    MarkerLine m(line);
    std::string_view value;
    if (!run.takePosition(m)) return false;
    m.take("<type>", value);
    if (m.take("<alti>", value) && !TakeHeight(req, value, metres)) return run.fail();
    if (m.take("<gcpClass>", value)) routing.assign(value);
    for (std::string_view tag : {"<gcpName>", "<name>"})
      if (m.take(tag, value) && value.find(kAuxiliaryMark) != std::string_view::npos)
        routing.assign(kAuxiliaryRouting);
    if (m.contains(scan.endTag)) return complete() && run.countFeature();
    return true;
  };

  run.walk(examine);
}

}  // namespace velkaro::gml
