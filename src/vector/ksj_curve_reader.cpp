// KsjCurves: every position list of a KSJ file as one polyline.
#include <string>

#include "platform/text_scan.h"
#include "vector/ksj_messages.h"
#include "vector/ksj_readers.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kPosListOpen = "<gml:posList>";
constexpr std::string_view kPosListClose = "</gml:posList>";

}  // namespace

void KsjCurves(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  run.stepLabel();
  long features = 0;
  auto failure = [&] { run.fail(ksj_msg::Failure(path + std::to_string(features))); };
  LineCursor lines(source.text());
  FeatureRings curve(run.req.cells, 0);
  bool inList = false;
  std::string_view line;
  while (lines.next(line)) {
    if (inList) {
      double lat, lon;
      if (ParsePairLine(line, lat, lon)) {
        if (!curve.add(lon, lat)) {
          run.xyLimit();
          return;
        }
        continue;
      }
      if (Contains(line, kPosListClose)) {
        inList = false;
        curve.forEachRing([&](const CellPair* points, int32_t count, int) {
          if (count >= 2 && run.boxOnTile(curve.box) &&
              !gml::WriteGeoPolyline(run.out, run.req, points, 0, count - 1))
            failure();
        });
        if (run.out.failed()) return;
        if (++features % 100 == 0 && !run.progress(features)) return;
        continue;
      }
      if (Trim(line).empty()) continue;
      failure();
      return;
    }
    if (Contains(line, kPosListOpen)) {
      curve.clear();
      if (!curve.openRing()) {
        run.xyLimit();
        return;
      }
      inList = true;
    }
  }
}

}  // namespace velkaro::ksj
