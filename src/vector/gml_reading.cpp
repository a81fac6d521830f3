#include "vector/gml_reading.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "job/coordinates.h"
#include "job/mesh_codes.h"
#include "platform/text_encoding.h"
#include "vector/vector_messages.h"
#include "scratch/scratch_records.h"
#include "platform/text_scan.h"

namespace velkaro::gml {

namespace {

bool FirstLineSaysUtf8(std::string_view text) {
  const size_t nl = text.find('\n');
  std::string lower(text.substr(0, nl == std::string_view::npos ? text.size() : nl));
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("utf-8") != std::string::npos;
}

constexpr size_t kChunkBytes = 1 << 22;
constexpr size_t kMaxLineBytes = 1 << 26;

}  // namespace

SourceText::~SourceText() {
  if (file_ != nullptr) std::fclose(file_);
}

bool SourceText::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  // A file smaller than a chunk gets a buffer of its own size: scans open
  // thousands of small files, and zeroing a whole chunk for each would cost
  // more than reading them.
  struct stat st {};
  size_t bytes = kChunkBytes;
  if (::fstat(::fileno(file_), &st) == 0 && st.st_size >= 0 && static_cast<size_t>(st.st_size) < kChunkBytes)
    bytes = std::max<size_t>(static_cast<size_t>(st.st_size) + 1, 4096);
  buffer_.resize(bytes);
  return true;
}

void SourceText::openMemory(std::string_view bytes) {
  memory_ = bytes;
  inMemory_ = true;
}

bool SourceText::open(const SourceFile& source) {
  if (!source.inMemory()) return open(source.path());
  openMemory(source.bytes());
  return true;
}

// The whole text after the first line, in one run.
bool SourceText::nextInMemory(std::string_view& lines) {
  if (started_) return true;   // handed out already: the end
  started_ = true;
  std::string_view text = memory_;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  utf8_ = FirstLineSaysUtf8(text);
  const size_t nl = text.find('\n');
  lines = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
  if (!utf8_ && !lines.empty()) {
    converted_ = Cp932ToUtf8(lines);
    lines = converted_;
  }
  return true;
}

// Reads more bytes behind the unread ones; false on a read error.
bool SourceText::fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    // A very long line; one beyond any real GML line is a damaged file (or
    // not text at all) and is refused rather than held whole in memory.
    if (buffer_.size() >= kMaxLineBytes) return false;
    buffer_.resize(buffer_.size() * 2);
  }
  const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  end_ += got;
  if (got == 0 || end_ < buffer_.size()) {
    if (std::ferror(file_)) return false;
    atEof_ = std::feof(file_) != 0;
  }
  return true;
}

bool SourceText::next(std::string_view& lines) {
  lines = {};
  if (inMemory_) return nextInMemory(lines);
  if (file_ == nullptr) return false;
  for (;;) {
    const char* data = buffer_.data() + begin_;
    const size_t size = end_ - begin_;
    const void* lastNl = size ? memrchr(data, '\n', size) : nullptr;
    if (!started_ && (lastNl != nullptr || atEof_)) {
      // The first line decides the encoding and is skipped.
      std::string_view head(data, size);
      if (head.size() >= 3 && head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
      utf8_ = FirstLineSaysUtf8(head);
      const size_t nl = head.find('\n');
      begin_ = nl == std::string_view::npos ? end_ : static_cast<size_t>(head.data() + nl + 1 - buffer_.data());
      started_ = true;
      continue;
    }
    if (started_ && lastNl != nullptr) {
      const size_t take = static_cast<size_t>(static_cast<const char*>(lastNl) - data) + 1;
      lines = std::string_view(data, take);
      begin_ += take;
      break;
    }
    if (atEof_) {  // a last line without a line end, or nothing
      lines = std::string_view(data, size);
      begin_ = end_;
      break;
    }
    if (!fill()) return false;
  }
  if (!utf8_ && !lines.empty()) {
    converted_ = Cp932ToUtf8(lines);
    lines = converted_;
  }
  return true;
}

bool ParseNumber(std::string_view text, double& value) { return ParseFiniteDecimal(text, value, " "); }

int RankLevelOf(std::string_view value) {
  value = Trim(value, " ");
  int level = 0;
  const auto r = std::from_chars(value.data(), value.data() + value.size(), level);
  return r.ec == std::errc() ? level : 0;
}

namespace {

// A vertex must lie on the globe: a damaged number such as 1e308 would only
// turn into an infinite plane coordinate further on.
bool OnTheGlobe(double lat, double lon) { return std::fabs(lat) <= 90 && std::fabs(lon) <= 360; }

}  // namespace

bool ParseVertexLine(std::string_view line, bool allLeadingBlanks, double& lat, double& lon) {
  if (allLeadingBlanks) {
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  } else if (!line.empty() && line.front() == ' ') {
    line.remove_prefix(1);
  }
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return false;
  if (!ParseFiniteDecimal(line.substr(0, blank), lat, " ")) return false;
  return ParseFiniteDecimal(line.substr(blank + 1, 99), lon, " ") && OnTheGlobe(lat, lon);
}

const char* FastVertexLine(const char* p, const char* end, bool allLeadingBlanks, double& lat,
                           double& lon) {
  if (p < end && *p == ' ') {
    ++p;
    if (allLeadingBlanks)
      while (p < end && *p == ' ') ++p;
  }
  if (!ScanPlainDecimal(p, end, lat)) return nullptr;
  if (p >= end || *p != ' ') return nullptr;
  ++p;
  if (!ScanPlainDecimal(p, end, lon) || !OnTheGlobe(lat, lon)) return nullptr;
  while (p < end && *p == ' ') ++p;
  if (p < end && *p == '\r') ++p;
  if (p == end) return p;
  return *p == '\n' ? p + 1 : nullptr;
}

void RingStore::convertToPlane(const ReaderRequest& req) {
  for (int32_t i = 0; i < used_;) {
    const int32_t n = static_cast<int32_t>(cells_[i].x);
    for (int32_t k = i + 1; k <= i + n; ++k) {
      const PlanePoint p = ToPlane(req, cells_[k].x, cells_[k].y);
      cells_[k] = CellPair{p.east, p.north};
    }
    i += n + 1;
  }
}

PlanePoint ToPlane(const ReaderRequest& req, double lon, double lat) {
  const PlaneXY p = bltoxy(req.coords, lon, lat);
  return PlanePoint{p.y, p.x};
}

int RouteIndex(const ScanContext& scan, std::string_view value) {
  if (scan.typeKeys.empty()) return -1;
  if (scan.typeKeys.front().empty()) return 0;
  for (size_t k = 0; k < scan.typeKeys.size(); ++k)
    if (EqualIgnoringAsciiCase(scan.typeKeys[k], value)) return static_cast<int>(k);
  return -1;
}

bool BoxMeetsTile(const ReaderRequest& req, const GeoBox& box) {
  if (box.empty()) return false;
  // A geographic box is not a plane rectangle: meridians converge, so every
  // corner counts, and on the central meridian the parallels bulge south.
  double minE = 1.0e308, maxE = -1.0e308, minN = 1.0e308, maxN = -1.0e308;
  auto take = [&](double lon, double lat) {
    const PlanePoint p = ToPlane(req, lon, lat);
    minE = std::min(minE, p.east);
    maxE = std::max(maxE, p.east);
    minN = std::min(minN, p.north);
    maxN = std::max(maxN, p.north);
  };
  take(box.minLon, box.minLat);
  take(box.maxLon, box.maxLat);
  take(box.minLon, box.maxLat);
  take(box.maxLon, box.minLat);
  if (!req.coords.latLonMode) {
    const double centralLon = req.coords.originLon * 180.0 / M_PI;
    if (box.minLon < centralLon && centralLon < box.maxLon) {
      take(centralLon, box.minLat);
      take(centralLon, box.maxLat);
    }
  }
  const CurrentTile& t = req.tile;
  return !(maxN < t.south || minN > t.north || maxE < t.west || minE > t.east);
}

double RingPerimeter(const ReaderRequest& req, const CellPair* v, int32_t n) {
  if (n < 2) return 0.0;
  double length = 0.0;
  if (!req.coords.latLonMode) {
    for (int32_t i = 0; i < n; ++i) {
      const CellPair& a = v[i];
      const CellPair& b = v[(i + 1) % n];
      length += std::hypot(b.x - a.x, b.y - a.y);
    }
    return length;
  }
  // Degrees to metres on the ground near the ring (x easting = longitude).
  const double coslat = std::cos(v[0].y * M_PI / 180.0);
  for (int32_t i = 0; i < n; ++i) {
    const CellPair& a = v[i];
    const CellPair& b = v[(i + 1) % n];
    length += std::hypot((b.x - a.x) * coslat, b.y - a.y) * kMetresPerEquatorDegree;
  }
  return length * req.coords.unitScale;
}

bool WriteGeoPolyline(ScratchFile& out, const ReaderRequest& req, const CellPair* v, int32_t from,
                      int32_t to) {
  for (int32_t i = from; i <= to; ++i) {
    const PlanePoint p = ToPlane(req, v[i].x, v[i].y);
    if (!out.vertex(p.east, p.north)) return false;
  }
  scratch::EndPolyline(out);
  return !out.failed();
}

bool WritePlaneVertices(ScratchFile& out, const CellPair* v, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    if (!out.vertex(v[i].x, v[i].y)) return false;
  return !out.failed();
}

bool ReaderRun::start() {
  if (!req.runFlag) return false;
  // The tile's geographic box, padded well beyond the accuracy of the
  // inversion, so the cheap test never drops what the exact test keeps.
  CoordinateState local = req.coords;
  const TileGeoBox g = GeoBoxOfPlaneRect(local, req.tile.west, req.tile.east, req.tile.north,
                                         req.tile.south);
  constexpr double kPad = 1e-5;  // degrees, about a metre
  tileGeo_.minLon = g.lonW - kPad;
  tileGeo_.maxLon = g.lonE + kPad;
  tileGeo_.minLat = g.latS - kPad;
  tileGeo_.maxLat = g.latN + kPad;
  if (!text_.open(source)) {
    fail();
    return false;
  }
  return true;
}

bool ReaderRun::countVertexList() {
  if (++vertexLists_ % 10000 != 0) return true;
  req.host.setLabel(LabelRole::Detail, std::to_string(vertexLists_));
  req.host.pump();
  return req.runFlag;
}

bool ReaderRun::openVertexList(RingStore& store, bool& inList, ListStart start,
                               std::string_view overflowSuffix) {
  if (start == ListStart::Replace) {
    store.clear();
  } else {
    store.closeRing();
    if (!store.openRing()) {
      overflow(overflowSuffix);
      return false;
    }
  }
  inList = true;
  return true;
}

bool ReaderRun::closeVertexList(RingStore& store, bool& inList, ListStart start) {
  if (start == ListStart::NewRing) store.closeRing();
  inList = false;
  return countVertexList();
}

bool ReaderRun::featureOnTile(const GeoBox& box) const {
  if (box.empty()) return false;
  if (box.maxLon < tileGeo_.minLon || box.minLon > tileGeo_.maxLon || box.maxLat < tileGeo_.minLat ||
      box.minLat > tileGeo_.maxLat)
    return false;
  return BoxMeetsTile(req, box);
}

void ReaderRun::fail() { req.errorText = vector_msg::ReaderFailure(name_, path); }

void ReaderRun::overflow(std::string_view suffix) {
  req.errorText = scan.sourceLabel;
  req.errorText.append(suffix);
}

bool ReaderRun::addVertex(RingStore& store, double lat, double lon) {
  if (store.add(lon, lat)) return true;
  overflow(vector_msg::kPoolLimit);
  return false;
}

bool ReaderRun::writeWholeLine(RingStore& store, int k) {
  int32_t n = 0;
  const CellPair* ring = store.firstRing(n);
  if (n > 0 && !WriteGeoPolyline(scan.outputs[static_cast<size_t>(k)], req, ring, 0, n - 1)) {
    fail();
    return false;
  }
  return true;
}

bool ReaderRun::addVertexLine(RingStore& store, std::string_view line, bool allLeadingBlanks) {
  double lat, lon;
  if (!ParseVertexLine(line, allLeadingBlanks, lat, lon)) {
    fail();
    return false;
  }
  return addVertex(store, lat, lon);
}

}  // namespace velkaro::gml
