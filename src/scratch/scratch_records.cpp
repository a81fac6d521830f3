#include "scratch/scratch_records.h"

#include <charconv>

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

void ShortestVertex(ScratchFile& out, double easting, double northing) {
  char buf[32];
  for (const double v : {easting, northing}) {
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.line(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
  }
}

void WriteTrack(ScratchFile& out, std::string_view text, long startX, long startY, long endX,
                long endY) {
  out.line(text);
  out.integer(startX);
  out.integer(startY);
  out.integer(endX);
  out.integer(endY);
}

bool ScratchRecords::nextTrack(TrackRecord& record) {
  if (file_.atEnd()) return false;
  record.text = file_.nextLine();
  record.startX = file_.nextDouble();
  record.startY = file_.nextDouble();
  record.endX = file_.nextDouble();
  record.endY = file_.nextDouble();
  return !file_.pastEnd();
}

std::string ShortestDecimal(double value) {
  char text[32];
  if (value == 0) value = 0;   // no "-0"
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

void WriteSymbolRecord(ScratchFile& out, int id, double easting, double northing, std::string_view text) {
  out.integer(id);
  out.vertex(easting, northing);
  out.line(text);
}

void WriteAnnotationRecord(ScratchFile& out, PixelPosition at, double angle, std::string_view text) {
  out.integer(at.x);
  out.integer(at.y);
  out.line(ShortestDecimal(angle));
  out.line(text);
}

void WriteSpotHeightRecord(ScratchFile& out, PixelPosition at, double metres) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.0f", metres);
  out.integer(at.x);
  out.integer(at.y);
  out.line(text);
  out.line("");
}

void WriteControlPointRecord(ScratchFile& out, double easting, double northing, double metres,
                             std::string_view classText) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.1f", metres);
  out.vertex(easting, northing);
  out.line(text);
  out.line(classText);
}

void WriteNameRecord(ScratchFile& out, PixelPosition at, std::string_view name) {
  out.integer(at.x);
  out.integer(at.y);
  out.line(name);
}

bool ScratchRecords::nextSymbol(SymbolRecord& record) {
  if (file_.atEnd()) return false;
  record.id = static_cast<int>(file_.nextInteger());
  record.x = file_.nextDouble();
  record.y = file_.nextDouble();
  record.text = file_.nextLine();
  return !file_.pastEnd();
}

bool ScratchRecords::nextAnnotation(AnnotationRecord& record) {
  if (file_.atEnd()) return false;
  record.x = file_.nextDouble();
  record.y = file_.nextDouble();
  record.angle = file_.nextDouble();
  record.text = file_.nextLine();
  return !file_.pastEnd();
}

bool ScratchRecords::nextSpotHeight(SpotHeightRecord& record) {
  if (file_.atEnd()) return false;
  record.x = file_.nextDouble();
  record.y = file_.nextDouble();
  record.height = file_.nextLine();
  file_.nextLine();
  return !file_.pastEnd();
}

bool ScratchRecords::nextControlPoint(ControlPointRecord& record) {
  if (file_.atEnd()) return false;
  record.x = file_.nextDouble();
  record.y = file_.nextDouble();
  record.height = file_.nextLine();
  record.classText = file_.nextLine();
  return !file_.pastEnd();
}

bool ScratchRecords::nextName(NameRecord& record) {
  if (file_.atEnd()) return false;
  record.x = file_.nextDouble();
  record.y = file_.nextDouble();
  record.text = file_.nextLine();
  return !file_.pastEnd();
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
