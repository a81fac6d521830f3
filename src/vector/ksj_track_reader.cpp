// KsjTornadoTracks: three passes over a tornado file. Points by number go to
// the pool's first two thirds, the start and end point numbers of each track
// to the last third; the third pass writes a track record per gust whose
// start lies on the tile.
#include <string>

#include "scratch/scratch_records.h"
#include "vector/ksj_messages.h"
#include "vector/ksj_readers.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kPos = "<gml:pos>";
constexpr std::string_view kStart = "ksj:AppearancePoint gml:id=\"start_";
constexpr std::string_view kEnd = "ksj:DisappearancePoint gml:id=\"end_";
constexpr std::string_view kPosition = "<ksj:position xlink:href=\"#pt_";
constexpr std::string_view kScale = "<ksj:fujitaScale>";
constexpr std::string_view kTrackStart = "ksj:appearancePoint xlink:href=\"#start_";
constexpr double kMissing = -1.0e308;  // a point entry without coordinates

std::string Failure(const std::string& path, long lineNumber) {
  return ksj_msg::Failure(path + std::to_string(lineNumber));
}

class TrackReader {
 public:
  TrackReader(const KsjRun& run, const std::string& path, std::string_view text)
      : run_(run), path_(path), text_(text),
        base_(2L * run.req.cells.budget() / 3),
        points_(run.req.cells, 0, base_, CellPair{kMissing, kMissing}),
        tracks_(run.req.cells, base_, run.req.cells.budget(), CellPair{0.0, 0.0}) {}

  void read() { readPoints() && readTrackEnds() && writeTracks(); }

 private:
  bool fail(const LineCursor& lines) {
    run_.fail(Failure(path_, lines.lineNumber()));
    return false;
  }

  bool readPoints() {
    LineCursor lines(text_);
    std::string_view line, rest;
    long point = -1;
    while (lines.next(line)) {
      if (After(line, run_.text(1), rest)) {
        const std::string_view number = run_.text(2).empty() ? UpTo(rest, "\"") : UpTo(rest, run_.text(2));
        if (!ParseCount(number, point)) return fail(lines);
        if (point >= base_) {
          run_.biasLimit();
          return false;
        }
        points_.include(point);
      } else if (point >= 0 && Contains(line, kPos)) {
        double lat, lon;
        if (!ParsePosLine(line, lat, lon)) return fail(lines);
        points_[point] = CellPair{lon, lat};
        point = -1;
      }
    }
    return true;
  }

  bool readTrackEnds() {
    LineCursor lines(text_);
    std::string_view line, rest;
    long entry = -1;
    bool isStart = true;
    while (lines.next(line)) {
      const bool start = After(line, kStart, rest);
      if (start || After(line, kEnd, rest)) {
        long n = 0;
        if (!ParseCount(UpTo(rest, "\""), n)) return fail(lines);
        if (!tracks_.include(base_ + n)) {
          run_.xyLimit();
          return false;
        }
        entry = base_ + n;
        isStart = start;
      } else if (entry >= 0 && After(line, kPosition, rest)) {
        long point = 0;
        if (!ParseCount(UpTo(rest, "\""), point)) return fail(lines);
        (isStart ? tracks_[entry].x : tracks_[entry].y) = static_cast<double>(point);
        entry = -1;
      }
    }
    return true;
  }

  bool writeTracks() {
    LineCursor lines(text_);
    std::string_view line, rest;
    std::string scale;
    bool haveScale = false;
    long track = -1;
    while (lines.next(line)) {
      if (After(line, run_.text(4), rest)) {
        std::string_view value = rest;
        if (run_.text(4).find(kScale) == std::string::npos) After(line, kScale, value);
        scale = std::string(UpTo(value, "<"));
        haveScale = true;
      }
      if (After(line, kTrackStart, rest)) {
        long n = 0;
        if (!ParseCount(UpTo(rest, "\""), n)) return fail(lines);
        track = base_ + n;
      }
      if (haveScale && track >= 0) {
        if (!writeTrack(scale, track)) return fail(lines);
        haveScale = false;
        track = -1;
      }
    }
    return true;
  }

  // False only when the output failed. A track without a start point, or
  // one whose points have no coordinates, is left out.
  bool writeTrack(const std::string& scale, long track) {
    if (!tracks_.holds(track)) return true;
    const long startPoint = static_cast<long>(tracks_[track].x);
    long endPoint = static_cast<long>(tracks_[track].y);
    if (endPoint == 0) endPoint = startPoint;
    if (!points_.holds(startPoint) || !points_.holds(endPoint)) return true;
    const CellPair s = points_[startPoint], e = points_[endPoint];
    if (s.x == kMissing || e.x == kMissing) return true;
    const PlanePoint start = run_.toPlane(s.x, s.y);
    if (!run_.pointOnTile(start)) return true;
    const Pixel a = run_.pixelOf(start);
    const Pixel b = run_.pixelOf(run_.toPlane(e.x, e.y));
    scratch::WriteTrack(run_.out, scale, a.x, a.y, b.x, b.y);
    return !run_.out.failed();
  }

  const KsjRun& run_;
  const std::string& path_;
  std::string_view text_;
  long base_;
  PoolPart points_;
  PoolPart tracks_;
};

}  // namespace

void KsjTornadoTracks(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  run.stepLabel();
  TrackReader(run, path, source.text()).read();
}

}  // namespace velkaro::ksj
