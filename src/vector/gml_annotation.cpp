// GML8LayoutStr: map annotation (lettering) routed by its category and its
// arrangement, written as annotation records at their pixel position with
// their angle.

#include <charconv>
#include <string>

#include "platform/text_scan.h"
#include "vector/gml_point_reading.h"
#include "vector/gml_readers.h"

namespace velkaro::gml {

namespace {

// The arrangements of "<arrng>" and the sub keys of the children that take
// them.
constexpr int kHorizontal = 1;
constexpr int kVertical = 2;
constexpr std::string_view kHorizontalSubKey = "1";
constexpr std::string_view kVerticalSubKey = "2";

// The last child whose type key occurs in the category; 0 for every
// category when the first key is empty; -1 when no key occurs.
int RouteByCategory(const ScanContext& scan, std::string_view category) {
  if (scan.typeKeys.empty()) return -1;
  if (scan.typeKeys.front().empty()) return 0;
  int k = -1;
  for (size_t i = 0; i < scan.typeKeys.size(); ++i) {
    const std::string& key = scan.typeKeys[i];
    if (!key.empty() && category.find(key) != std::string_view::npos) k = static_cast<int>(i);
  }
  return k;
}

bool ParseArrangement(std::string_view text, int& value) {
  text = Trim(text, " ");
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

}  // namespace

void GML8LayoutStr(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  PointRun run(req, source, scan, "GML8LayoutStr");
  if (!run.start()) return;

  std::string category, text;   // carry over between features
  int arrangement = 0;
  double angle = 0;
  int rank = 0;                 // the base level after every completed feature

  auto complete = [&]() -> bool {
    const int k = RouteByCategory(scan, category);
    ScratchFile* out = run.output(k);
    if (out == nullptr || static_cast<size_t>(k) >= scan.subKeys.size()) return true;
    const std::string& subKey = scan.subKeys[static_cast<size_t>(k)];
    TileWidening widening;
    if (arrangement == kHorizontal && subKey == kHorizontalSubKey)
      widening = TileWidening::West;
    else if (arrangement == kVertical && subKey == kVerticalSubKey)
      widening = TileWidening::North;
    else
      return true;
    if (run.belowRank(rank) || !run.onTile(widening)) return true;
    scratch::WriteAnnotationRecord(*out, run.pixel(), angle, text);
    return run.written(k);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return true;
    MarkerLine m(line);
    std::string_view value;
    if (!run.takePosition(m)) return false;
    if (m.take("<annoCtg>", value)) category.assign(value);
    if (m.take("<knj>", value)) text.assign(value);
    if (m.take("<arrng>", value) && !ParseArrangement(value, arrangement)) return run.fail();
    if (m.take("<arrngAgl>", value) && !ParseNumber(value, angle)) return run.fail();
    if (m.take("<orgGILvl>", value)) rank = RankLevelOf(value);
    if (m.contains(scan.endTag)) {
      const bool ok = complete();
      rank = kBaseRankLevel;
      return ok && run.countFeature();
    }
    return true;
  };

  run.walk(examine);
}

}  // namespace velkaro::gml
