// KsjAirports: airport names at their reference points. Pass 1 maps point
// numbers to airport numbers, pass 2 stores each airport's point in the pool
// by airport number, pass 3 writes the names.
#include <string>
#include <vector>

#include "vector/ksj_messages.h"
#include "vector/ksj_readers.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kReferencePoint = "<ksj:AirportReferencePoint gml:id=\"";
constexpr std::string_view kPointLink = "#pt_h_";
constexpr std::string_view kPos = "<gml:pos>";
constexpr std::string_view kMarkOfKsj = "国土数値情報";
constexpr long kMaxPointNumber = 1000000;  // the point -> airport table grows up to this
constexpr double kMissing = -1.0e308;

std::string Failure(const std::string& path, long n, std::string_view posi) {
  const std::string number = std::to_string(n);
  std::string tail(posi);
  tail.append(number);
  return ksj_msg::Failure(path + number, tail);
}

bool EighthLineIsKsj(std::string_view text) {
  LineCursor lines(text);
  std::string_view line;
  for (int i = 0; i < 8; ++i)
    if (!lines.next(line)) return false;
  return Contains(line, kMarkOfKsj);
}

// The leading number of an id, cut at "_".
bool IdNumber(std::string_view rest, long& n) { return ParseCount(UpTo(UpTo(rest, "\""), "_"), n); }

class AirportReader {
 public:
  AirportReader(const KsjRun& run, const std::string& path, std::string_view text)
      : run_(run), path_(path), text_(text),
        airports_(run.req.cells, 0, run.req.cells.budget(), CellPair{kMissing, kMissing}) {}

  void read() { mapPoints() && storePoints() && writeNames(); }

 private:
  bool fail(long n, std::string_view posi) {
    run_.fail(Failure(path_, n, posi));
    return false;
  }

  bool mapPoints() {
    LineCursor lines(text_);
    std::string_view line, rest;
    long airport = -1;
    while (lines.next(line)) {
      if (After(line, kReferencePoint, rest)) {
        if (!IdNumber(rest, airport)) return fail(lines.lineNumber(), "posi=");
        if (!lines.next(line)) break;
        if (!After(line, kPointLink, rest)) continue;
        long point = 0;
        if (!ParseCount(UpTo(rest, "\""), point) || point > kMaxPointNumber)
          return fail(lines.lineNumber(), "posi=");
        if (static_cast<size_t>(point) >= airportOfPoint_.size())
          airportOfPoint_.resize(static_cast<size_t>(point) + 1, -1);
        airportOfPoint_[static_cast<size_t>(point)] = airport;
      }
    }
    return true;
  }

  bool storePoints() {
    LineCursor lines(text_);
    std::string_view line, rest;
    long airport = -1;
    while (lines.next(line)) {
      if (After(line, run_.text(1), rest)) {
        long point = 0;
        if (!ParseCount(run_.text(2).empty() ? UpTo(rest, "\"") : UpTo(rest, run_.text(2)), point))
          return fail(lines.lineNumber(), "posi=");
        if (point >= run_.req.cells.budget()) {
          run_.xyLimit();
          return false;
        }
        airport = static_cast<size_t>(point) < airportOfPoint_.size() ? airportOfPoint_[static_cast<size_t>(point)] : -1;
        if (airport >= 0 && !airports_.include(airport)) {
          run_.xyLimit();
          return false;
        }
      } else if (airport >= 0 && Contains(line, kPos)) {
        double lat, lon;
        if (!ParsePosLine(line, lat, lon)) return fail(lines.lineNumber(), "posi=");
        airports_[airport] = CellPair{lon, lat};
        airport = -1;
      }
    }
    return true;
  }

  bool writeNames() {
    LineCursor lines(text_);
    std::string_view line, rest;
    long airport = -1;
    long count = 0;
    std::string name;
    while (lines.next(line)) {
      if (After(line, run_.text(3), rest)) {
        if (!IdNumber(rest, airport)) return fail(lines.lineNumber(), " posi=");
        if (++count % 100 == 0 && !run_.progress(count)) return false;
      }
      if (Contains(line, run_.text(4))) {
        const size_t gt = line.find('>');
        name = gt == std::string_view::npos ? std::string() : std::string(UpTo(line.substr(gt + 1), "<"));
      }
      if (airport >= 0 && !name.empty()) {
        if (airports_.holds(airport) && airports_[airport].x != kMissing) {
          const PlanePoint p = run_.toPlane(airports_[airport].x, airports_[airport].y);
          if (run_.pointOnTile(p)) run_.writeName(p, name, 2, 2);
        }
        airport = -1;
        name.clear();
      }
    }
    if (run_.out.failed()) return fail(lines.lineNumber(), " posi=");
    return true;
  }

  const KsjRun& run_;
  const std::string& path_;
  std::string_view text_;
  std::vector<long> airportOfPoint_;
  PoolPart airports_;
};

}  // namespace

void KsjAirports(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  if (!EighthLineIsKsj(source.text())) return;
  run.stepLabel();
  AirportReader(run, path, source.text()).read();
}

}  // namespace velkaro::ksj
