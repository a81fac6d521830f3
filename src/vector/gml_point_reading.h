#pragma once
// Reading code shared by the five point readers (names, spot heights, control
// points, annotation, symbols): one call reads one source file line by line
// with the shared rules of the line readers (encoding by the first line,
// markers in the reader's order, routing, rank, progress and abort, the
// reader's failure message); a point feature keeps only its last position,
// converted to plane coordinates as soon as its "<gml:pos>" line is read.

#include <string>
#include <string_view>

#include "scratch/scratch_records.h"
#include "vector/gml_reading.h"

namespace velkaro::gml {

// How far the tile is widened for one feature: by a twentieth of its width
// to the west (horizontal annotation) or of its height to the north
// (vertical annotation), so a label anchored just outside still reaches in.
enum class TileWidening { None, West, North };

class PointRun {
 public:
  PointRun(const ReaderRequest& req, const SourceFile& source, ScanContext& scan, std::string_view name)
      : req(req), scan(scan), run_(req, source, scan, name) {}

  // False when the job was aborted or the file cannot be read.
  bool start() { return run_.start(); }

  // Hands every line after the first (CR removed) to examine until the end
  // of the file or until examine returns false.
  template <typename Examine>
  void walk(Examine&& examine) {
    const bool noList = false;
    run_.walk(noList, true, examine, [](double, double) { return true; });
  }

  // Takes the point of a "<gml:pos>" line ("lat lon"): converted to plane
  // coordinates and held for the features that follow. A value that does not
  // parse fails the file (false).
  bool takePosition(MarkerLine& m);
  bool hasPoint() const { return hasPoint_; }
  const PlanePoint& point() const { return point_; }

  // The held point lies on the tile (edges included), widened as asked.
  bool onTile(TileWidening widening = TileWidening::None) const;
  // The held point's pixel in the tile image (truncated toward zero).
  scratch::PixelPosition pixel() const;

  // Counts a completed feature: every 10,000th shows the count, lets the
  // host process events and returns false when the job was aborted.
  bool countFeature();
  // Rank suppression: the feature's level is below the job's threshold.
  bool belowRank(int level) const { return req.rankThreshold > level; }

  // A number of the file that does not parse, or an output that failed:
  // the reader's failure message; returns false to end the walk.
  bool fail() {
    run_.fail();
    return false;
  }
  // Output k, or nullptr when k is no output of the group.
  ScratchFile* output(int k);
  // After writing to output k: false (and the failure message) when the
  // output could not be written.
  bool written(int k);

  const ReaderRequest& req;
  ScanContext& scan;

 private:
  ReaderRun run_;
  PlanePoint point_{0, 0};
  bool hasPoint_ = false;
  long features_ = 0;
};

// A height of the source ("<alti>") with the job's height correction, in
// metres. False when the text is no number.
bool TakeHeight(const ReaderRequest& req, std::string_view text, double& metres);

}  // namespace velkaro::gml
