// KsjZoningAreas: the areas of one zoning class. A first pass over the file
// builds the class table (feature number -> class) in the cell pool; a second
// pass writes the rings of the features of the theme's class.
#include <cmath>
#include <string>

#include "platform/text_scan.h"
#include "vector/ksj_messages.h"
#include "vector/ksj_readers.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kClassOpen = "<ksj:dac>";
constexpr std::string_view kClassClose = "</ksj:dac>";
constexpr std::string_view kPosListOpen = "<gml:posList>";
constexpr std::string_view kPosListClose = "</gml:posList>";
constexpr double kNoClass = -1;

std::string LineFailure(const std::string& path, long lineNumber, std::string_view line) {
  std::string what = path + std::to_string(lineNumber) + ":";
  what.append(line);
  return ksj_msg::Failure(what);
}

// The class table in pool entries 0 … largest feature number (class in x).
class ClassTable {
 public:
  explicit ClassTable(CellBuffer& cells) : cells_(cells.data()), budget_(cells.budget()) {}

  // Makes entry n part of the table; false when it lies beyond the pool.
  bool include(long n) {
    if (n >= budget_) return false;
    while (size_ <= n) cells_[size_++] = CellPair{kNoClass, 0.0};
    return true;
  }
  void set(long n, double cls) { cells_[n].x = cls; }
  double classOf(long n) const { return n >= 0 && n < size_ ? std::trunc(cells_[n].x) : kNoClass; }
  int32_t size() const { return static_cast<int32_t>(size_); }

 private:
  CellPair* cells_;
  long budget_;
  long size_ = 0;
};

// Pass 1. False when the file has to end.
bool ReadClassTable(const KsjRun& run, const std::string& path, std::string_view text,
                    ClassTable& table) {
  LineCursor lines(text);
  std::string_view line, rest;
  long last = -1;
  while (lines.next(line)) {
    if (After(line, run.text(3), rest)) {
      long n = 0;
      if (!ParseCount(UpTo(rest, "\""), n)) {
        run.fail(LineFailure(path, lines.lineNumber(), line));
        return false;
      }
      if (!table.include(n)) {
        run.xyLimit();
        return false;
      }
      last = n;
      run.req.host.setLabel(LabelRole::Detail, std::to_string(n));
    } else if (After(line, kClassOpen, rest)) {
      double cls = 0;
      if (!ParseDecimal(UpTo(rest, kClassClose), cls)) {
        run.fail(LineFailure(path, lines.lineNumber(), line));
        return false;
      }
      if (last >= 0) table.set(last, cls);
    }
  }
  return true;
}

// Pass 2: rings are written as soon as they are closed.
void WriteClassRings(const KsjRun& run, const std::string& path, std::string_view text,
                     const ClassTable& table, int zoningClass) {
  LineCursor lines(text);
  FeatureRings ring(run.req.cells, table.size());
  GeoBox outer;
  bool outerOnTile = false;
  double featureClass = kNoClass;
  long ringNumber = 0;
  long rings = 0;
  bool inList = false;
  std::string_view line, rest;
  while (lines.next(line)) {
    if (inList) {
      double lat, lon;
      if (ParsePairLine(line, lat, lon)) {
        if (!ring.add(lon, lat, false)) {
          run.xyLimit();
          return;
        }
        if (ringNumber == 0) outer.add(lon, lat);
        continue;
      }
      if (Contains(line, kPosListClose)) {
        inList = false;
        ring.closeRing();
        if (ringNumber == 0) outerOnTile = run.boxOnTile(outer);
        if (featureClass == zoningClass && outerOnTile) {
          ring.forEachRing([&](const CellPair* points, int32_t count, int) {
            WriteRing(run, points, count, ringNumber != 0, "0");
          });
          if (run.out.failed()) {
            run.fail(ksj_msg::Failure(path));
            return;
          }
        }
        ring.clear();
        if (++rings % 100 == 0 && !run.progress(rings)) return;
        continue;
      }
      if (Trim(line).empty()) continue;
      run.fail(LineFailure(path, lines.lineNumber(), line));
      return;
    }
    if (Contains(line, kPosListOpen)) {
      ring.clear();
      if (!ring.openRing()) {
        run.xyLimit();
        return;
      }
      inList = true;
    } else if (After(line, run.text(1), rest)) {
      const size_t split = run.text(2).empty() ? std::string_view::npos : rest.find(run.text(2));
      long number = 0;
      ringNumber = 0;
      const bool ok = split == std::string_view::npos
                          ? ParseCount(UpTo(rest, "\""), number)
                          : ParseCount(rest.substr(0, split), number) &&
                                ParseCount(UpTo(rest.substr(split + run.text(2).size()), "\""), ringNumber);
      if (!ok) {
        run.fail(LineFailure(path, lines.lineNumber(), line));
        return;
      }
      featureClass = table.classOf(number);
      if (ringNumber == 0) {
        outer.reset();
        outerOnTile = false;
      }
    }
  }
}

}  // namespace

int ZoningClassOf(std::string_view code) {
  constexpr std::string_view kPrefix = "A29-";
  if (code.substr(0, kPrefix.size()) != kPrefix) return 0;
  long n = 0;
  if (!ParseCount(code.substr(kPrefix.size()), n)) return 0;
  // 21 (田園住居地域) is the class added in 2018.
  if ((n >= 1 && n <= 15) || n == 21 || n == 99) return static_cast<int>(n);
  return 0;
}

void KsjZoningAreas(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  ClassTable table(run.req.cells);
  if (!ReadClassTable(run, path, source.text(), table)) return;
  run.stepLabel();
  WriteClassRings(run, path, source.text(), table, ZoningClassOf(run.theme.code));
}

}  // namespace velkaro::ksj
