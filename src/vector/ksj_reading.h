#pragma once
// Reading code shared by the KSJ readers: the whole source file as UTF-8
// (a Shift_JIS file is converted once), forward line cursors over it,
// coordinate pairs and identifiers, tile tests, pixel positions of labels,
// the typed records and the messages. Lines are matched by plain substring
// search for the theme's reader texts; no XML parser is involved.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "archive/source_file.h"
#include "catalogue/layer_catalogue.h"
#include "platform/whole_file.h"
#include "scratch/scratch_file.h"
#include "vector/gml_reading.h"
#include "vector/reader_request.h"

namespace velkaro::ksj {

using gml::GeoBox;
using gml::PlanePoint;

// ---- source text -------------------------------------------------------------

// One KSJ source file, read whole: a plain file from disk in one read, a zip
// member from the bytes already in memory (no copy). A leading byte order
// mark is skipped. When
// the first line declares Shift_JIS (any letter case: real files write both
// "shift_jis" and "Shift_JIS"), the whole text is converted to UTF-8 once, so
// every reader matches the same UTF-8 reader texts in either encoding.
class KsjSource {
 public:
  bool load(const SourceFile& file);
  std::string_view text() const { return text_; }
  bool wasShiftJis() const { return shiftJis_; }
  // The text ends with the closing tag of its root element; a file cut
  // short (an interrupted download or copy) does not.
  bool complete() const;
  // The number of lines and the last non-blank line, for the message about
  // a file cut short.
  long lineCount() const;
  std::string_view lastLine() const;

 private:
  WholeFile file_;
  std::string converted_;
  std::string_view text_;
  bool shiftJis_ = false;
};

// True when an XML declaration line names Shift_JIS in any letter case.
bool DeclaresShiftJis(std::string_view firstLine);

// A forward cursor over the lines of a text. Lines are handed out without
// their line end (a CR before the LF is removed). Several cursors may walk
// the same text independently.
class LineCursor {
 public:
  LineCursor() = default;
  explicit LineCursor(std::string_view text) : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()) {}

  bool next(std::string_view& line);
  bool atEnd() const { return p_ >= end_; }
  long lineNumber() const { return lineNumber_; }  // of the last line handed out
  // Where the next line starts; restoring it goes back to that line.
  struct Mark {
    const char* p;
    long lineNumber;
  };
  Mark mark() const { return Mark{p_, lineNumber_}; }
  void restore(Mark m) { p_ = m.p, lineNumber_ = m.lineNumber; }
  // Back to the line just handed out, so the next call returns it again.
  void unread(std::string_view line);
  // The start of the text, where every walk begins.
  void rewind() { p_ = begin_, lineNumber_ = 0; }

 private:
  const char* begin_ = nullptr;
  const char* p_ = nullptr;
  const char* end_ = nullptr;
  long lineNumber_ = 0;
};

// ---- values --------------------------------------------------------------------

inline bool Contains(std::string_view line, std::string_view text) {
  return !text.empty() && line.find(text) != std::string_view::npos;
}

// The text after `marker` in line, or false when line lacks it.
bool After(std::string_view line, std::string_view marker, std::string_view& rest);
// The text before the first `stop` (all of text when there is none).
std::string_view UpTo(std::string_view text, std::string_view stop);

// A whole decimal number, blanks around it allowed.
bool ParseDecimal(std::string_view text, double& value);
// A whole non-negative integer below 2^53, blanks around it allowed.
bool ParseCount(std::string_view text, long& value);

// An identifier that a reader text ends just before: a number N up to the
// next double quote, or N "_" M with a part number M. False when N (or M)
// is not a number.
struct Identifier {
  long number = 0;
  bool hasPart = false;
  long part = 0;
};
bool ParseIdentifier(std::string_view afterText, Identifier& id);

// A coordinate pair line of a position list: leading tabs and blanks
// removed, latitude before the first blank, longitude after it.
bool ParsePairLine(std::string_view line, double& lat, double& lon);
// A "<gml:pos>lat lon</gml:pos>" line: the pair between ">" and "<".
bool ParsePosLine(std::string_view line, double& lat, double& lon);

// The shortest decimal text of a value (as many digits as it needs to read
// back exactly).
std::string ShortestText(double value);

// ---- one reader call -------------------------------------------------------------

// The measured size of the label bullet "・" in the theme's label font.
struct BulletSize {
  int width = 0;
  int height = 0;
};
using BulletMeasure = std::function<BulletSize(const KsjTheme&)>;

// A pixel of the tile image.
struct Pixel {
  int x;
  int y;
};

// What the scan hands a reader while a theme is read: the job's request, the
// theme (code, reader texts), its index and caption, its open scratch file and
// the label bullet's size.
struct KsjRun {
  const ReaderRequest& req;
  const KsjTheme& theme;
  int themeIndex;
  ScratchFile& out;
  BulletSize bullet;

  const std::string& text(int k) const { return theme.readerTexts[static_cast<size_t>(k - 1)]; }
  const std::string& caption() const { return theme.caption; }

  // Messages: a later one replaces an earlier one.
  void fail(std::string message) const { req.errorText = std::move(message); }
  void xyLimit() const;
  void biasLimit() const;

  // Shows a running count in the sub-label, lets the host process events and
  // says whether the job still runs.
  bool progress(long count) const;
  void stepLabel(std::string_view suffix = {}) const;

  PlanePoint toPlane(double lon, double lat) const { return gml::ToPlane(req, lon, lat); }
  // The feature's box, converted corner by corner, meets the tile.
  bool boxOnTile(const GeoBox& box) const { return gml::BoxMeetsTile(req, box); }
  // The plane point lies inside the tile, edges included.
  bool pointOnTile(PlanePoint p) const;
  // The pixel of a plane point in the tile image (truncated).
  Pixel pixelOf(PlanePoint p) const;
  // A name record: the pixel shifted by width / wDiv and height / hDiv so the
  // bullet sits on the point, then "・" + name.
  void writeName(PlanePoint p, std::string_view name, int wDiv, int hDiv) const;
};

// Loads a reader's source file. An unreadable file or one cut short is that
// reader's failure: the "mlitjpgis(" message names it (a zip member as
// "folder/a.zip/b.xml") and nothing is read.
bool LoadSource(const KsjRun& run, const SourceFile& file, KsjSource& source);

// ---- area features ---------------------------------------------------------------

// The rings of one area feature in the cell pool from a start entry: per ring
// a header entry (point count in x) followed by its points (longitude,
// latitude), and the feature's geographic box.
class FeatureRings {
 public:
  FeatureRings(CellBuffer& cells, int32_t start) : cells_(cells.data()), start_(start), budget_(cells.budget()) { clear(); }

  void clear() {
    used_ = start_;
    header_ = -1;
    box.reset();
  }
  // False when the pool is full.
  bool openRing();
  bool add(double lon, double lat, bool widensBox = true);
  // Ends the current ring; a last point equal to the first is dropped.
  void closeRing();
  bool empty() const { return used_ == start_; }
  // Calls fn(points, count, ringIndex) for every ring in order.
  template <typename Fn>
  void forEachRing(Fn&& fn) const {
    int32_t i = start_;
    int ring = 0;
    while (i < used_) {
      const int32_t n = static_cast<int32_t>(cells_[i].x);
      fn(cells_ + i + 1, n, ring++);
      i += n + 1;
    }
  }

  GeoBox box;

 private:
  CellPair* cells_;
  int32_t start_;
  int32_t budget_;
  int32_t used_ = 0;
  int32_t header_ = -1;
};

// Pool entries [from, to) that have been handed out, the rest filled with
// `fill` on first use, so nothing left from an earlier reader is taken for data.
class PoolPart {
 public:
  PoolPart(CellBuffer& cells, long from, long to, CellPair fill)
      : cells_(cells.data()), from_(from), to_(to), fill_(fill), used_(from) {}
  // Entry index (absolute); false when it lies outside the part.
  bool include(long index) {
    if (index < from_ || index >= to_) return false;
    while (used_ <= index) cells_[used_++] = fill_;
    return true;
  }
  bool holds(long index) const { return index >= from_ && index < used_; }
  CellPair& operator[](long index) { return cells_[index]; }

 private:
  CellPair* cells_;
  long from_, to_;
  CellPair fill_;
  long used_;
};

// Writes one ring as a polygon record: "sep" (first ring) or "mado", the name
// line, the point count and the points in plane coordinates, shortest text.
void WriteRing(const KsjRun& run, const CellPair* points, int32_t count, bool hole,
               std::string_view name);

}  // namespace velkaro::ksj
