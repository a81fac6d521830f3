// GML1Name: place and facility names, routed by "<vis>", written as name
// records at their pixel position.

#include <string>

#include "vector/gml_point_reading.h"
#include "vector/gml_readers.h"

namespace velkaro::gml {

namespace {
// Placeholders of the sources for a name that is not known.
constexpr std::string_view kUnconfirmed = "＿未確認";
constexpr std::string_view kNone = "＿なし";
}  // namespace

void GML1Name(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  PointRun run(req, source, scan, "GML1Name");
  if (!run.start()) return;

  std::string name;      // carries over between features
  std::string routing;   // carries over between features
  int rank = 0;

  auto complete = [&]() -> bool {
    const int k = RouteIndex(scan, routing);
    ScratchFile* out = run.output(k);
    if (out == nullptr || name == kUnconfirmed || name == kNone) return true;
    if (run.belowRank(rank) || !run.onTile()) return true;
    scratch::WriteNameRecord(*out, run.pixel(), name);
    return run.written(k);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return true;
    MarkerLine m(line);
    std::string_view value;
    if (!run.takePosition(m)) return false;
    for (std::string_view tag : {"<ptName>", "<pfName>", "<name>", "<sbaNo>", "<sbNo>"})
      if (m.take(tag, value)) name.assign(value);
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (m.take("<vis>", value)) routing.assign(value);
    if (m.contains(scan.endTag)) return complete() && run.countFeature();
    return true;
  };

  run.walk(examine);
}

}  // namespace velkaro::gml
