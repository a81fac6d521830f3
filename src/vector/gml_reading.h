#pragma once
// Reading code shared by the FGD/KKJ GML readers: loading a source file as
// UTF-8, walking its lines, tag values, vertex lines, the per-feature vertex
// store in the CellBuffer pool, routing, rank, tile culling, progress and the
// reader messages. Source GML is read line by line with plain substring
// searches; no XML parser is involved.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "archive/source_file.h"
#include "job/cell_buffer.h"
#include "vector/reader_request.h"
#include "vector/gml_scan_context.h"

namespace velkaro::gml {

// ---- source text -----------------------------------------------------------

// A source file read in runs of whole lines, as UTF-8, through one reused
// buffer. When the file's first line (after a byte order mark), in lower
// case, does not contain "utf-8", the bytes are read as Shift_JIS (CP932) and
// converted, so every reader matches on UTF-8 markers. The first line itself
// (the XML declaration, which holds no marker) is not handed out. A file on
// disk is read in chunks; bytes already in memory (a zip member) are handed
// out as one run, without a copy unless they need converting.
class SourceText {
 public:
  SourceText() = default;
  ~SourceText();
  SourceText(const SourceText&) = delete;
  SourceText& operator=(const SourceText&) = delete;

  bool open(const std::string& path);
  // Reads bytes in memory instead; they must outlive the SourceText.
  void openMemory(std::string_view bytes);
  // Either, as the source says.
  bool open(const SourceFile& source);
  // The next run of whole lines (the last may lack its line end); empty at
  // the end of the file. False on a read error.
  bool next(std::string_view& lines);
  bool isUtf8() const { return utf8_; }

 private:
  bool fill();
  bool nextInMemory(std::string_view& lines);

  std::FILE* file_ = nullptr;
  std::string_view memory_;
  bool inMemory_ = false;
  std::string buffer_;
  size_t begin_ = 0, end_ = 0;   // unread bytes of buffer_
  std::string converted_;
  bool utf8_ = true;
  bool started_ = false;
  bool atEof_ = false;
};

// ---- values ----------------------------------------------------------------

// One line as the readers examine it: markers are looked for in the rest of
// the line, which taking a value shortens to the text after its tag. Every marker
// starts with "<", so the positions of "<" are found once per line and each
// marker is compared only there.
class MarkerLine {
 public:
  explicit MarkerLine(std::string_view line) : line_(line) {
    const char* p = line.data();
    const char* end = p + line.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p))))) {
      if (count_ == kMaxTags) {
        many_ = true;
        break;
      }
      at_[count_++] = static_cast<uint32_t>(p - line.data());
      ++p;
    }
  }
  bool contains(std::string_view marker) const { return find(marker) != std::string_view::npos; }
  bool take(std::string_view tag, std::string_view& value, std::string_view stop = "<") {
    const size_t at = find(tag);
    if (at == std::string_view::npos) return false;
    from_ = at + tag.size();
    const std::string_view rest = line_.substr(from_);
    value = rest.substr(0, rest.find(stop));
    return true;
  }

 private:
  static constexpr int kMaxTags = 8;
  size_t find(std::string_view marker) const {
    if (many_ || marker.empty() || marker.front() != '<') {
      const size_t at = line_.substr(from_).find(marker);
      return at == std::string_view::npos ? at : at + from_;
    }
    // The byte after "<" settles most comparisons without a call.
    const char second = marker.size() > 1 ? marker[1] : '\0';
    for (int i = 0; i < count_; ++i) {
      const size_t at = at_[i];
      if (at < from_ || (marker.size() > 1 && (at + 1 >= line_.size() || line_[at + 1] != second))) continue;
      if (line_.compare(at, marker.size(), marker) == 0) return at;
    }
    return std::string_view::npos;
  }

  std::string_view line_;
  size_t from_ = 0;
  uint32_t at_[kMaxTags];
  int count_ = 0;
  bool many_ = false;
};

// A whole decimal number, blanks around it allowed. False for anything else.
bool ParseNumber(std::string_view text, double& value);

// The rank level of an "<orgGILvl>" value: its leading integer, 0 when it has
// none (control point levels such as "KJ10").
int RankLevelOf(std::string_view value);

// The level a feature has when its file gives none: the 1:25,000 base map.
inline constexpr int kBaseRankLevel = 25000;

// A vertex line: "lat lon" after removing leading blanks (all of them, or only
// the first one). False when either number does not parse.
bool ParseVertexLine(std::string_view line, bool allLeadingBlanks, double& lat, double& lon);

// Fast path of ParseVertexLine over raw bytes, for a line that is exactly
// blanks, a plain decimal, one blank, a plain decimal, trailing blanks, CR,
// LF. Returns the start of the next line, or nullptr when the line is anything
// else (the caller then examines it the slow way). Gives the same numbers as
// ParseVertexLine.
const char* FastVertexLine(const char* p, const char* end, bool allLeadingBlanks, double& lat,
                           double& lon);

// ---- features ----------------------------------------------------------------

struct GeoBox {
  double minLon = 1.0e308, minLat = 1.0e308, maxLon = -1.0e308, maxLat = -1.0e308;
  void reset() { *this = GeoBox(); }
  void add(double lon, double lat) {
    if (lon < minLon) minLon = lon;
    if (lon > maxLon) maxLon = lon;
    if (lat < minLat) minLat = lat;
    if (lat > maxLat) maxLat = lat;
  }
  bool empty() const { return minLon > maxLon; }
};

// The vertices of the feature being read, kept in the CellBuffer pool: per
// ring a header entry (vertex count in x) followed by the ring's vertices
// (longitude, latitude; easting, northing after ConvertToPlane).
class RingStore {
 public:
  explicit RingStore(CellBuffer& cells) : cells_(cells.data()), budget_(cells.budget()) {}

  void clear() {
    used_ = 0;
    header_ = -1;
    rings_ = 0;
    box.reset();
  }
  // Starts a new ring; false when the pool is full.
  bool openRing() {
    if (used_ + 1 > budget_) return false;
    header_ = used_;
    cells_[used_++] = CellPair{0.0, 0.0};
    ++rings_;
    return true;
  }
  // Appends a vertex to the current ring (opening one if needed); false when
  // the pool is full.
  bool add(double lon, double lat) {
    if (header_ < 0 && !openRing()) return false;
    if (used_ + 1 > budget_) return false;
    cells_[used_++] = CellPair{lon, lat};
    cells_[header_].x += 1.0;
    box.add(lon, lat);
    return true;
  }
  void closeRing() { header_ = -1; }

  int rings() const { return rings_; }
  bool hasVertices() const { return used_ > rings_; }
  // Calls fn(vertices, count) for every ring in order.
  template <typename Fn>
  void forEachRing(Fn&& fn) {
    int32_t i = 0;
    while (i < used_) {
      const int32_t n = static_cast<int32_t>(cells_[i].x);
      fn(cells_ + i + 1, n);
      i += n + 1;
    }
  }
  // The first ring, or count 0.
  CellPair* firstRing(int32_t& count) {
    count = used_ > 0 ? static_cast<int32_t>(cells_[0].x) : 0;
    return cells_ + 1;
  }
  void convertToPlane(const ReaderRequest& req);

  GeoBox box;

 private:
  CellPair* cells_;
  int32_t budget_;
  int32_t used_ = 0;
  int32_t header_ = -1;
  int rings_ = 0;
};

// Easting and northing of a geographic point in the job's plane system.
struct PlanePoint {
  double east;
  double north;
};
PlanePoint ToPlane(const ReaderRequest& req, double lon, double lat);

// Position of the first type key equal to the value (letter case ignored);
// 0 for every value when the first key is empty; -1 when nothing matches.
int RouteIndex(const ScanContext& scan, std::string_view value);

// True when the feature's box, converted to plane coordinates, meets or
// touches the current tile.
bool BoxMeetsTile(const ReaderRequest& req, const GeoBox& box);

// Length of a closed ring in plane units (the last vertex joined back to the
// first). In the lat/lon system, metres × UnitScale measured on the ground, so
// a perimeter threshold in metres means the same in every system.
double RingPerimeter(const ReaderRequest& req, const CellPair* vertices, int32_t count);

// Converts vertices from..to (geographic) and writes them with "sep" as one
// polyline record. False when the output failed.
bool WriteGeoPolyline(ScratchFile& out, const ReaderRequest& req, const CellPair* v, int32_t from,
                      int32_t to);
// Writes vertices already in plane coordinates (no closing line).
bool WritePlaneVertices(ScratchFile& out, const CellPair* v, int32_t count);

// Walks the lines of body. While inList is true, a clean vertex line goes to
// vertex(lat, lon) without a marker search; every other line (CR removed)
// goes to examine(line). Either returns false to stop the walk, and then
// WalkLines returns false.
template <typename Examine, typename Vertex>
bool WalkLines(std::string_view body, const bool& inList, bool allLeadingBlanks,
               Examine&& examine, Vertex&& vertex) {
  const char* p = body.data();
  const char* const end = p + body.size();
  while (p < end) {
    if (inList) {
      double lat, lon;
      if (const char* next = FastVertexLine(p, end, allLeadingBlanks, lat, lon)) {
        if (!vertex(lat, lon)) return false;
        p = next;
        continue;
      }
    }
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* lineEnd = nl ? nl : end;
    std::string_view line(p, static_cast<size_t>(lineEnd - p));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!examine(line)) return false;
    p = nl ? nl + 1 : end;
  }
  return true;
}

// True when a line can hold a marker at all (every marker starts with "<").
inline bool MayHoldMarker(std::string_view line) {
  return std::memchr(line.data(), '<', line.size()) != nullptr;
}

// ---- one reader call -------------------------------------------------------

class ReaderRun {
 public:
  ReaderRun(const ReaderRequest& req, const SourceFile& source, ScanContext& scan, std::string_view name)
      : req(req), source(source), path(source.name()), scan(scan), name_(name) {}

  // Rule order at the start of a call: returns false at once when the run flag
  // is cleared; loads the file (a read failure is this reader's failure).
  bool start();

  // Feeds the file's lines after the first to WalkLines until the end of the
  // file or until examine or vertex returns false. A read error is this
  // reader's failure.
  template <typename Examine, typename Vertex>
  void walk(const bool& inList, bool allLeadingBlanks, Examine&& examine, Vertex&& vertex) {
    std::string_view lines;
    for (;;) {
      if (!text_.next(lines)) {
        fail();
        return;
      }
      if (lines.empty()) return;
      if (!WalkLines(lines, inList, allLeadingBlanks, examine, vertex)) return;
    }
  }

  // A "</gml:posList>" line: every 10,000th shows the count, lets the host
  // process events and returns false when the job was aborted meanwhile.
  bool countVertexList();

  // How a vertex list starts: as a further ring of the feature (area and
  // mesh-cut readers) or in place of the feature's earlier vertices (line
  // readers that draw one list per feature).
  enum class ListStart { NewRing, Replace };
  // A "<gml:posList>" line: the lines that follow are vertices. False, with
  // the overflow message, when a new ring does not fit the pool.
  bool openVertexList(RingStore& store, bool& inList, ListStart start, std::string_view overflowSuffix);
  // A "</gml:posList>" line: the list ends (closing its ring when rings are
  // kept) and is counted; false once the job was aborted.
  bool closeVertexList(RingStore& store, bool& inList, ListStart start);
  // The file could not be read or an output not written.
  void fail();
  // The feature has more vertices than the pool holds.
  void overflow(std::string_view suffix);
  // Adds one vertex to the feature's store; a full pool is the overflow
  // message. False ends the file.
  bool addVertex(RingStore& store, double lat, double lon);
  // The same for a vertex line of a list; a line that does not parse fails
  // the file.
  bool addVertexLine(RingStore& store, std::string_view line, bool allLeadingBlanks);
  // Writes the feature's first ring, whole, as a polyline record to output k;
  // a write failure fails the file.
  bool writeWholeLine(RingStore& store, int k);
  // Tile culling of a feature's box: a cheap test against the tile's
  // geographic box (padded) first, then the exact test in plane coordinates.
  bool featureOnTile(const GeoBox& box) const;
  // Records written so far went to outputs that all still work.
  bool outputFailed(int k) const { return scan.outputs[static_cast<size_t>(k)].failed(); }

  const ReaderRequest& req;
  const SourceFile& source;
  const std::string& path;   // the source's name in messages
  ScanContext& scan;

 private:
  std::string_view name_;
  SourceText text_;
  GeoBox tileGeo_;
  long vertexLists_ = 0;
};

}  // namespace velkaro::gml
