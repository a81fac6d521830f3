#include "scratch/scratch_records.h"

namespace velkaro::scratch {

void WriteLineWidth(ScratchFile& out, long pixels) {
  out.line(kLineWidth);
  out.integer(pixels);
}

void EndPolyline(ScratchFile& out) { out.line(kSep); }

void BeginRing(ScratchFile& out, bool hole, std::string_view name, long count) {
  out.line(hole ? kHole : kSep);
  out.line(name);
  out.integer(count);
}

bool ScratchRecords::nextPolyline(PolylineRecord& record) {
  record.hasWidth = false;
  record.width = 0;
  record.vertices.clear();
  std::string_view a = file_.nextLine();
  // A record needs a line after its first one; a lone last line is no record.
  if (file_.atEnd()) return false;
  if (a == kLineWidth) {
    record.hasWidth = true;
    record.width = file_.nextInteger();
    a = file_.nextLine();
  }
  do {
    double x = 0;
    ParseDouble(a, x);
    const double y = file_.nextDouble();
    record.vertices.push_back(PlaneVertex{x, y});
    a = file_.nextLine();
  } while (a != kSep && !file_.pastEnd());
  return true;
}

bool ScratchRecords::nextRing(RingRecord& record) {
  const std::string_view marker = file_.nextLine();
  if (file_.atEnd()) return false;
  record.startsPolygon = marker == kSep;
  record.name = file_.nextLine();
  record.declaredCount = file_.nextInteger();
  record.vertices.clear();
  for (long v = 0; v < record.declaredCount && !file_.atEnd(); ++v) {
    const double x = file_.nextDouble();
    const double y = file_.nextDouble();
    record.vertices.push_back(PlaneVertex{x, y});
  }
  return true;
}

}  // namespace velkaro::scratch
