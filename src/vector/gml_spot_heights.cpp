// GML2Elv: spot heights with the job's height correction, written as spot
// height records at their pixel position, all to the group's first output.

#include <string>

#include "vector/gml_point_reading.h"
#include "vector/gml_readers.h"

namespace velkaro::gml {

void GML2Elv(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  PointRun run(req, source, scan, "GML2Elv");
  if (!run.start()) return;

  double metres = req.datumOffset;   // a height of 0 until the file gives one
  int rank = 0;

  auto complete = [&]() -> bool {
    ScratchFile* out = run.output(0);
    if (out == nullptr || run.belowRank(rank) || !run.onTile()) return true;
    scratch::WriteSpotHeightRecord(*out, run.pixel(), metres);
    return run.written(0);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return true;
    MarkerLine m(line);
    std::string_view value;
    if (!run.takePosition(m)) return false;
    if (m.take("<alti>", value) && !TakeHeight(req, value, metres)) return run.fail();
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (m.contains(scan.endTag)) return complete() && run.countFeature();
    return true;
  };

  run.walk(examine);
}

}  // namespace velkaro::gml
