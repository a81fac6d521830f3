#include "vector/ksj_reading.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/text_encoding.h"
#include "platform/text_scan.h"
#include "scratch/scratch_records.h"
#include "vector/ksj_messages.h"
#include "platform/whole_file.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kBullet = "・";

}  // namespace

bool DeclaresShiftJis(std::string_view firstLine) {
  static constexpr std::string_view kName = "shift_jis";
  if (firstLine.size() < kName.size()) return false;
  for (size_t i = 0; i + kName.size() <= firstLine.size(); ++i) {
    size_t k = 0;
    while (k < kName.size() &&
           std::tolower(static_cast<unsigned char>(firstLine[i + k])) == kName[k])
      ++k;
    if (k == kName.size()) return true;
  }
  return false;
}

bool KsjSource::load(const SourceFile& file) {
  std::string_view bytes = file.bytes();
  if (!file.inMemory()) {
    if (!file_.read(file.path())) return false;
    bytes = file_.bytes();
  }
  std::string_view text = StripUtf8Bom(bytes);
  const size_t nl = text.find('\n');
  shiftJis_ = DeclaresShiftJis(text.substr(0, nl == std::string_view::npos ? text.size() : nl));
  if (shiftJis_) {
    converted_ = Cp932ToUtf8(text);
    text_ = converted_;
  } else {
    text_ = text;
  }
  return true;
}

std::string_view KsjSource::lastLine() const {
  std::string_view t = Trim(text_, kBlanksAndLineEnds);
  const size_t nl = t.rfind('\n');
  return Trim(nl == std::string_view::npos ? t : t.substr(nl + 1), kBlanksAndLineEnds);
}

long KsjSource::lineCount() const {
  long n = 0;
  for (const char c : text_) n += c == '\n';
  return n + (!text_.empty() && text_.back() != '\n' ? 1 : 0);
}

bool KsjSource::complete() const {
  // The root element: the first tag that is not a declaration or comment.
  size_t at = 0;
  for (;;) {
    at = text_.find('<', at);
    if (at == std::string_view::npos || at + 1 >= text_.size()) return false;
    if (text_[at + 1] != '?' && text_[at + 1] != '!') break;
    ++at;
  }
  const size_t end = text_.find_first_of(" \t\r\n>/", at + 1);
  if (end == std::string_view::npos) return false;
  std::string close = "</";
  close.append(text_.substr(at + 1, end - at - 1)).append(">");
  const std::string_view last = lastLine();
  return last.size() >= close.size() && last.substr(last.size() - close.size()) == close;
}

bool LoadSource(const KsjRun& run, const SourceFile& file, KsjSource& source) {
  const std::string& path = file.name();
  if (!source.load(file)) {
    run.fail(ksj_msg::Failure(path));
    return false;
  }
  if (!source.complete()) {
    std::string what = path + std::to_string(source.lineCount()) + ":";
    what.append(source.lastLine());
    run.fail(ksj_msg::Failure(what));
    return false;
  }
  return true;
}

bool LineCursor::next(std::string_view& line) {
  if (p_ >= end_) return false;
  const char* nl = static_cast<const char*>(std::memchr(p_, '\n', static_cast<size_t>(end_ - p_)));
  const char* lineEnd = nl ? nl : end_;
  line = std::string_view(p_, static_cast<size_t>(lineEnd - p_));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  p_ = nl ? nl + 1 : end_;
  ++lineNumber_;
  return true;
}

void LineCursor::unread(std::string_view line) {
  if (line.data() < begin_ || line.data() > end_) return;
  p_ = line.data();
  --lineNumber_;
}

bool After(std::string_view line, std::string_view marker, std::string_view& rest) {
  if (marker.empty()) return false;
  const size_t at = line.find(marker);
  if (at == std::string_view::npos) return false;
  rest = line.substr(at + marker.size());
  return true;
}

std::string_view UpTo(std::string_view text, std::string_view stop) {
  return text.substr(0, text.find(stop));
}

bool ParseDecimal(std::string_view text, double& value) { return ParseFiniteDecimal(text, value); }

bool ParseCount(std::string_view text, long& value) {
  // No count or number of a file comes near 2^53: one past it is a damaged
  // file's, refused here so that a number added to a pool position, or kept
  // in a double and taken back, stays exact and in range.
  constexpr long kMostCount = (1L << 53) - 1;
  text = Trim(text);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0 && value <= kMostCount;
}

bool ParseIdentifier(std::string_view afterText, Identifier& id) {
  const std::string_view token = UpTo(afterText, "\"");
  const size_t underscore = token.find('_');
  id = Identifier{};
  if (underscore == std::string_view::npos) return ParseCount(token, id.number);
  id.hasPart = true;
  return ParseCount(token.substr(0, underscore), id.number) &&
         ParseCount(token.substr(underscore + 1), id.part);
}

bool ParsePairLine(std::string_view line, double& lat, double& lon) {
  const char* p = line.data();
  const char* end = p + line.size();
  while (p < end && (*p == '\t' || *p == ' ')) ++p;
  // The plain form "lat lon" with nothing else, as every real file writes it.
  const char* q = p;
  if (ScanPlainDecimal(q, end, lat) && q < end && *q == ' ') {
    ++q;
    if (ScanPlainDecimal(q, end, lon)) {
      while (q < end && (*q == ' ' || *q == '\t')) ++q;
      if (q == end) return true;
    }
  }
  const std::string_view rest(p, static_cast<size_t>(end - p));
  const size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return false;
  return ParseFiniteDecimal(rest.substr(0, blank), lat) &&
         ParseFiniteDecimal(rest.substr(blank + 1, 99), lon);
}

bool ParsePosLine(std::string_view line, double& lat, double& lon) {
  const size_t open = line.find('>');
  if (open == std::string_view::npos) return false;
  const std::string_view inner = UpTo(line.substr(open + 1), "<");
  return ParsePairLine(inner, lat, lon);
}

std::string ShortestText(double value) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, static_cast<size_t>(r.ptr - buf));
}

void KsjRun::xyLimit() const {
  std::string text = theme.caption;
  text.append(ksj_msg::kXyLimit);
  fail(std::move(text));
}

void KsjRun::biasLimit() const {
  std::string text = theme.caption;
  text.append(ksj_msg::kBiasLimit);
  fail(std::move(text));
}

bool KsjRun::progress(long count) const {
  req.host.setLabel(LabelRole::Detail, std::to_string(count));
  req.host.pump();
  return req.runFlag;
}

void KsjRun::stepLabel(std::string_view suffix) const {
  std::string text = theme.caption;
  text.append(suffix);
  req.host.setLabel(LabelRole::Group, text);
}

bool KsjRun::pointOnTile(PlanePoint p) const {
  const CurrentTile& t = req.tile;
  return p.east >= t.west && p.east <= t.east && p.north >= t.south && p.north <= t.north;
}

Pixel KsjRun::pixelOf(PlanePoint p) const {
  const ImageGeometry& img = req.image;
  const double upp = img.unitsPerPixel != 0 ? img.unitsPerPixel : 1.0;
  const double x = p.east / upp * img.latFactor - req.tile.mapOffsetX;
  const double y = img.height - p.north / upp + req.tile.mapOffsetY;
  auto clampInt = [](double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::trunc(std::fmax(-2.0e9, std::fmin(2.0e9, v))));
  };
  return Pixel{clampInt(x), clampInt(y)};
}

void KsjRun::writeName(PlanePoint p, std::string_view name, int wDiv, int hDiv) const {
  const Pixel px = pixelOf(p);
  std::string text(kBullet);
  text.append(name);
  scratch::WriteNameRecord(out, {px.x - bullet.width / wDiv, px.y - bullet.height / hDiv}, text);
}

bool FeatureRings::openRing() {
  if (used_ + 1 > budget_) return false;
  header_ = used_;
  cells_[used_++] = CellPair{0.0, 0.0};
  return true;
}

bool FeatureRings::add(double lon, double lat, bool widensBox) {
  if (header_ < 0 && !openRing()) return false;
  if (used_ + 1 > budget_) return false;
  cells_[used_++] = CellPair{lon, lat};
  cells_[header_].x += 1.0;
  if (widensBox) box.add(lon, lat);
  return true;
}

void FeatureRings::closeRing() {
  if (header_ < 0) return;
  const int32_t n = static_cast<int32_t>(cells_[header_].x);
  if (n >= 2) {
    const CellPair& first = cells_[header_ + 1];
    const CellPair& last = cells_[header_ + n];
    if (first.x == last.x && first.y == last.y) {
      cells_[header_].x -= 1.0;
      --used_;
    }
  }
  header_ = -1;
}

void WriteRing(const KsjRun& run, const CellPair* points, int32_t count, bool hole,
               std::string_view name) {
  if (count <= 0) return;
  scratch::BeginRing(run.out, hole, name, count);
  for (int32_t i = 0; i < count; ++i) {
    const PlanePoint p = run.toPlane(points[i].x, points[i].y);
    scratch::ShortestVertex(run.out, p.east, p.north);
  }
}

}  // namespace velkaro::ksj
