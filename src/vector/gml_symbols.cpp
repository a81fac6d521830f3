// GML16Symbol: standard map symbols, written as symbol records (symbol id
// and plane coordinates) to the group's first output. A national route
// shield carries its route number. Types without a symbol are reported at
// the end of the job's error text.

#include <string>

#include "scratch/symbol_names.h"
#include "vector/gml_point_reading.h"
#include "vector/gml_readers.h"
#include "vector/vector_messages.h"
#include "vector/gml_symbol_types.h"

namespace velkaro::gml {

namespace {

// Appends an unknown type to the error text, once: a source with thousands
// of features of one such type would otherwise fill the report with copies.
// The first unknown type of a file is preceded by the file's name.
void ReportUnknownType(std::string& errorText, std::string_view type, std::string_view path, bool& pathNamed) {
  if (type.empty() || errorText.find(type) != std::string::npos) return;
  if (!pathNamed) errorText.append(vector_msg::UnknownSymbolTypes(path));
  pathNamed = true;
  errorText.append(type);
}

}  // namespace

void GML16Symbol(const ReaderRequest& req, const SourceFile& source, ScanContext& scan) {
  PointRun run(req, source, scan, "GML16Symbol");
  if (!run.start()) return;

  const std::string_view elementType = SymbolTypeOfElement(scan.elementName);
  std::string type, routeNumber;   // carry over between features
  int rank = 0;                    // the base level after every completed feature
  bool pathNamed = false;          // the error text names this file already

  auto complete = [&]() -> bool {
    ScratchFile* out = run.output(0);
    if (out == nullptr || !run.onTile() || run.belowRank(rank)) return true;
    const int id = SymbolEntryOf(type);
    const bool shield = type == kRouteShieldType;
    if (id > 0 && !shield) {
      scratch::WriteSymbolRecord(*out, id, run.point().east, run.point().north, "");
    } else if (!IsQuietSymbolType(type)) {
      ReportUnknownType(req.errorText, type, source.name(), pathNamed);
    }
    if (shield) scratch::WriteSymbolRecord(*out, id, run.point().east, run.point().north, routeNumber);
    return run.written(0);
  };

  auto examine = [&](std::string_view line) -> bool {
    if (!MayHoldMarker(line)) return true;
    MarkerLine m(line);
    std::string_view value;
    if (m.contains("<gml:pos>")) {
      if (!run.takePosition(m)) return false;
      if (!elementType.empty()) type.assign(elementType);
    }
    if (m.take("<type>", value)) type = NormalisedSymbolType(value);
    if (m.take("<nRNo>", value)) routeNumber.assign(value);
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
