// GSI DEM XML, line by line with plain substring searches; no XML parser.
// Three things are read off the lines after the XML declaration: the kind
// (the first line that names a DEM type or another feature), the header
// (envelope, row width, start point: every line outside the tuple list)
// and the tuples (the lines of the first tuple list). Whole texts in memory
// are read in three passes (gridpack's header and values) or in one
// (DemXmlLines); a file on disk goes through DemXmlLines a chunk at a time.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <span>
#include <vector>

#include "elevation/dem_readers.h"
#include "elevation/messages.h"
#include "job/job_context.h"
#include "platform/huge_pages.h"
#include "platform/line_stream.h"
#include "platform/text_encoding.h"
#include "platform/text_scan.h"
#include "platform/whole_file.h"

namespace velkaro {

namespace {

// Bounds of a believable header: the largest published DEM mesh has 1125 x
// 750 cells; anything far beyond is a damaged file, refused before any grid
// of that size is indexed or allocated.
constexpr double kMaxGridSide = 16384;
constexpr double kMaxGridCells = 16.0 * 1024 * 1024;

// A corner must lie on the globe (longitudes may run once round it).
bool OnTheGlobe(double lat, double lon) { return std::fabs(lat) <= 90 && std::fabs(lon) <= 360; }

// A tuple the DEM file marks as having no height ("type,-9999.").
constexpr std::string_view kMissingValueMark = ",-9999";

namespace text = elevation_text;

// Walks the lines of a buffer; a trailing CR is not part of the line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const char* begin = text_.data() + pos_;
    const void* nl = std::memchr(begin, '\n', text_.size() - pos_);
    const size_t len = nl ? static_cast<const char*>(nl) - begin : text_.size() - pos_;
    pos_ += len + (nl ? 1 : 0);
    line = std::string_view(begin, len);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
  // Moves to the line that contains `needle`, or to the end.
  void skipTo(std::string_view needle) {
    const size_t at = text_.find(needle, pos_);
    if (at == std::string_view::npos) {
      pos_ = text_.size();
      return;
    }
    const size_t lineStart = text_.rfind('\n', at);
    pos_ = lineStart == std::string_view::npos ? 0 : lineStart + 1;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// A cursor positioned after the first line (the XML declaration).
LineCursor AfterDeclaration(std::string_view text) {
  LineCursor cursor(text);
  std::string_view first;
  cursor.next(first);
  return cursor;
}


// "nan" and "inf" parse as numbers but are no elevations.
bool ParseDouble(std::string_view s, double& value) { return ParseFiniteDecimal(s, value); }


// The text after `tag` on the line, split at the first blank and ended at
// the next '<': "<gml:lowerCorner>35.25 138.5</gml:lowerCorner>".
bool ParsePairAfter(std::string_view line, size_t tagAt, size_t tagLen, double& a, double& b) {
  std::string_view rest = line.substr(tagAt + tagLen);
  rest = rest.substr(0, rest.find('<'));
  rest = Trim(rest);
  const size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return false;
  return ParseDouble(rest.substr(0, blank), a) && ParseDouble(rest.substr(blank + 1), b);
}

// The feature elements a vector file opens with; meeting one first means the
// file is not a DEM.
constexpr std::string_view kOtherFeatures[] = {
    "<AdmArea", "<AdmBdry", "<CommBdry", "<Cstline", "<WL", "<WA", "<LeveeEdgeType",
    "<RvrMgtBdry", "<RdEdg", "<RdCompt", "<RdMgtBdry", "<RailCL", "<BldA", "<BldL",
    "<Cntr", "<SBArea", "<SBBdry", "<SBAPt", "<AdmPt", "<CommPt", "<ElevPt", "<GCP"};

// What one line says of the kind: a DemKind, -1 for another feature type,
// kKindUndecided when it says nothing.
constexpr int kKindUndecided = -3;
int KindOfLine(std::string_view line) {
  for (int k = 0; k < 4; ++k)
    if (line.find(text::kDemTypes[k]) != std::string_view::npos) return k;
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos || line.empty() || line.front() != '<') return kKindUndecided;
  const std::string_view token = line.substr(0, blank);
  for (std::string_view other : kOtherFeatures)
    if (token == other) return -1;
  return kKindUndecided;
}

constexpr std::string_view kTuples = "<gml:tupleList>", kTuplesEnd = "</gml:tupleList>";

// One header line outside the tuple list: an envelope corner, the grid's
// high corner or the start point, if it holds one. False on a bad number.
bool HeaderLine(std::string_view line, DemXmlHeader& h) {
  static constexpr std::string_view kLower = "<gml:lowerCorner>", kUpper = "<gml:upperCorner>",
                                    kHigh = "<gml:high>", kStart = "<gml:startPoint>";
  size_t at;
  if ((at = line.find(kLower)) != std::string_view::npos) {
    if (!ParsePairAfter(line, at, kLower.size(), h.lowerLat, h.lowerLon)) return false;
    if (!OnTheGlobe(h.lowerLat, h.lowerLon)) return false;
    h.found |= DemXmlHeader::kLower;
  } else if ((at = line.find(kUpper)) != std::string_view::npos) {
    if (!ParsePairAfter(line, at, kUpper.size(), h.upperLat, h.upperLon)) return false;
    if (!OnTheGlobe(h.upperLat, h.upperLon)) return false;
    h.found |= DemXmlHeader::kUpper;
  } else if ((at = line.find(kHigh)) != std::string_view::npos) {
    double cols, rows;
    if (!ParsePairAfter(line, at, kHigh.size(), cols, rows)) return false;
    // A grid of no columns cannot be indexed.
    if (cols < 0 || cols >= kMaxGridSide || cols != std::floor(cols)) return false;
    h.width = static_cast<long>(cols) + 1;
    if (rows >= 0 && rows < kMaxGridSide && rows == std::floor(rows)) {
      if ((cols + 1) * (rows + 1) > kMaxGridCells) return false;
      h.height = static_cast<long>(rows) + 1;
      h.found |= DemXmlHeader::kHigh;
    } else if (rows >= kMaxGridSide) {
      return false;
    }
  } else if ((at = line.find(kStart)) != std::string_view::npos) {
    double x, y;
    if (!ParsePairAfter(line, at, kStart.size(), x, y)) return false;
    if (x < 0 || y < 0 || x >= kMaxGridSide || y >= kMaxGridSide) return false;
    h.startX = static_cast<long>(x);
    h.startY = static_cast<long>(y);
    h.found |= DemXmlHeader::kStart;
  }
  return true;
}

// The header over a whole text: every line but those of a tuple list (from
// its opening line to the line that closes it). False on a bad number.
bool ReadHeader(std::string_view textAll, DemXmlHeader& h) {
  LineCursor cursor = AfterDeclaration(textAll);
  std::string_view line;
  while (cursor.next(line)) {
    if (line.find(kTuples) != std::string_view::npos) {
      cursor.skipTo(kTuplesEnd);   // the values are the tuples' reading
      cursor.next(line);
      continue;
    }
    if (!HeaderLine(line, h)) return false;
  }
  return true;
}

// The common tuple, "type,value" with nothing but blanks after the value,
// read in one pass over the line: false for anything else (the end tag, a
// no-data mark, a blank or odd line, a value past the believable), which
// the general reading then takes, so both read every line alike.
bool PlainTuple(std::string_view line, double& value) {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && *p != ',') {
    if (*p == '<') return false;
    ++p;
  }
  if (p == end) return false;
  const char* const number = ++p;
  const std::string_view rest(number, static_cast<size_t>(end - number));
  if (rest.size() > 99 || rest.starts_with(kMissingValueMark.substr(1))) return false;
  double v;
  if (!ScanPlainDecimal(p, end, v)) return false;
  while (p != end && (*p == ' ' || *p == '\t')) ++p;
  if (p != end || !(std::fabs(v) <= kMostElevation)) return false;
  value = v;
  return true;
}

// Where the tuple list stands after one of its lines.
enum class TupleStep { Next, Stop, Bad };

// A line of the tuple list that is not a plain tuple (see TupleLine).
template <class Place, class Missing>
TupleStep OtherTupleLine(std::string_view line, long& index, Place& place, Missing& missing) {
  bool last = false;
  const size_t end = line.find(kTuplesEnd);
  if (end != std::string_view::npos) {
    line = line.substr(0, end);
    last = true;
    if (Trim(line).empty()) return TupleStep::Stop;
  }
  if (Trim(line).empty()) return TupleStep::Next;   // blank lines are not tuples
  // The mark begins with a comma, so it can only start at the first one.
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos || line.find(kMissingValueMark, comma) == std::string_view::npos) {
    double value;
    if (comma == std::string_view::npos || line.size() - comma - 1 > 99 ||
        !ParseDouble(line.substr(comma + 1), value) || std::fabs(value) > kMostElevation)
      return TupleStep::Bad;
    place(index, value);
  } else {
    missing(index, line);
  }
  ++index;
  return last ? TupleStep::Stop : TupleStep::Next;
}

// One line of the tuple list: `place(index, value)` for a value,
// `missing(index, line)` for a no-data tuple, nothing for a blank line;
// Stop once the list's end tag is met (after the tuple before it on the same
// line), Bad on a value that does not parse.
template <class Place, class Missing>
TupleStep TupleLine(std::string_view line, long& index, Place& place, Missing& missing) {
  double plain;
  if (PlainTuple(line, plain)) {
    place(index++, plain);
    return TupleStep::Next;
  }
  return OtherTupleLine(line, index, place, missing);
}

// The tuples of a whole text's first tuple list from grid index
// `firstIndex` on. False on a value that does not parse.
template <class Place, class Missing>
bool WalkTuples(std::string_view textAll, long firstIndex, Place&& place, Missing&& missing) {
  LineCursor cursor = AfterDeclaration(textAll);
  cursor.skipTo(kTuples);
  std::string_view line;
  if (!cursor.next(line)) return true;   // no tuple list: nothing to place
  long index = firstIndex;
  while (cursor.next(line)) {
    const TupleStep step = TupleLine(line, index, place, missing);
    if (step == TupleStep::Stop) break;
    if (step == TupleStep::Bad) return false;
  }
  return true;
}

// A DEM XML text taken apart in one pass over its lines after the
// declaration, fed one at a time: the kind, the header and the tuples are
// followed side by side, and the outcome is settled at the end as reading
// them one after the other would settle it (a header line may follow the
// tuples: the start point does in the published files). The values are
// collected as the tuple list goes by and dropped when the file turns out
// not to be a DEM of a selected kind or its header has a bad number.
class DemXmlLines {
 public:
  // `textBytes` bounds the values held (a tuple takes at least two bytes).
  DemXmlLines(unsigned selectedKinds, size_t textBytes, DemXmlParsed& out)
      : selected_(selectedKinds), textBytes_(textBytes), out_(out), values_(out.values) {
    out_.values.clear();
    out_.tuplesOk = true;
    out_.header = DemXmlHeader{};
  }

  // Takes the lines `next(line)` hands out, until there are no more or the
  // outcome is settled whatever lines follow.
  template <class NextLine>
  void takeAll(NextLine&& next) {
    std::string_view line;
    while (next(line)) {
      if (tuples_ == Tuples::Inside && tookListLines(line, next)) return;
      if (!take(line)) return;
    }
  }

  // Settles the outcome once the last line has been taken.
  void finish() {
    out_.kindFound = kind_ == kKindUndecided ? -2 : kind_;
    if (out_.kindFound < 0 || !(selected_ & (1u << out_.kindFound))) {
      out_.values.clear();
      out_.tuplesOk = true;
      out_.header = DemXmlHeader{};
      out_.outcome = DemXmlOutcome::NotDem;
    } else if (!headerOk_ || out_.header.width <= 0) {
      out_.values.clear();
      out_.tuplesOk = true;
      out_.outcome = DemXmlOutcome::BadNumber;
    } else {
      out_.outcome = DemXmlOutcome::Read;
    }
  }

 private:
  // The tuples go to the values in order, NaN for a no-data tuple (the
  // values' count says where a tuple lies).
  struct Append {
    std::vector<double>& values;
    void operator()(long, double value) const { values.push_back(value); }
    void operator()(long, std::string_view) const { values.push_back(std::numeric_limits<double>::quiet_NaN()); }
  };

  // Nearly every line is a tuple inside the list, taken here on its own
  // while the lines hold no '<': such a line names no kind and no header
  // part, and cannot end the list, which the header's reading waits for;
  // only its tuple counts. True when the lines ran out; else `line` is the
  // first line to go through take() (which takes a line this took again
  // alike).
  template <class NextLine>
  bool tookListLines(std::string_view& line, NextLine& next) {
    std::vector<double>& values = values_;
    Append append{values};
    long index = 0;
    do {
      double plain;
      if (PlainTuple(line, plain)) {
        values.push_back(plain);
        continue;
      }
      if (line.find('<') != std::string_view::npos) return false;
      if (OtherTupleLine(line, index, append, append) == TupleStep::Bad) {
        out_.tuplesOk = false;
        tuples_ = Tuples::Done;
        return false;
      }
    } while (next(line));
    return true;
  }

  // Any other line; false once the outcome is settled.
  bool take(std::string_view line) {
    if (kind_ == kKindUndecided) kind_ = KindOfLine(line);
    if (headerOk_) takeHeader(line);
    if (tuples_ != Tuples::Done) takeTuple(line);
    if (kind_ == kKindUndecided) return true;
    return kind_ >= 0 && (selected_ & (1u << kind_)) && headerOk_;
  }

  void takeHeader(std::string_view line) {
    if (inTupleList_) {
      if (line.find(kTuplesEnd) != std::string_view::npos) inTupleList_ = false;
    } else if (line.find(kTuples) != std::string_view::npos) {
      inTupleList_ = true;
    } else if (!HeaderLine(line, out_.header)) {
      headerOk_ = false;
    }
  }

  void takeTuple(std::string_view line) {
    if (tuples_ == Tuples::Before) {
      if (line.find(kTuples) == std::string_view::npos) return;
      tuples_ = Tuples::Inside;
      // Room for the whole grid the header names so far, up to what the
      // text can hold.
      const DemXmlHeader& h = out_.header;
      const size_t cells = static_cast<size_t>(std::max(h.width, 0L)) * static_cast<size_t>(std::max(h.height, 0L));
      ReserveOnHugePages(values_, std::min(cells, textBytes_ / 2));
      return;
    }
    Append append{values_};
    long index = 0;
    const TupleStep step = TupleLine(line, index, append, append);
    if (step == TupleStep::Bad) out_.tuplesOk = false;
    if (step != TupleStep::Next) tuples_ = Tuples::Done;
  }

  unsigned selected_;
  size_t textBytes_;
  DemXmlParsed& out_;
  std::vector<double>& values_;   // out_.values
  int kind_ = kKindUndecided;
  bool headerOk_ = true;
  bool inTupleList_ = false;   // the header's view: inside a tuple list
  enum class Tuples { Before, Inside, Done } tuples_ = Tuples::Before;
};

// Takes a UTF-8 text in memory apart.
void ParseDemXmlText(std::string_view textAll, unsigned selectedKinds, DemXmlParsed& out) {
  DemXmlLines lines(selectedKinds, textAll.size(), out);
  LineCursor cursor = AfterDeclaration(textAll);
  lines.takeAll([&cursor](std::string_view& line) { return cursor.next(line); });
  lines.finish();
}

// Places the values of a taken-apart file into the target's grid, keeping
// the highest and lowest of those inside the tile window. A corner the
// header lacks is taken as the grid's far side, so such a file places
// nothing. BadNumber when the file overlaps the grid and a tuple did not
// parse (the values before it are placed).
DemXmlOutcome PlaceValues(const DemXmlParsed& parsed, DemXmlTarget& t) {
  if (parsed.outcome != DemXmlOutcome::Read) return parsed.outcome;
  ElevationGrid& g = *t.grid;
  DemXmlHeader h = parsed.header;
  if (!(h.found & DemXmlHeader::kLower)) h.lowerLat = g.gridLatN, h.lowerLon = g.gridLonE;
  if (!(h.found & DemXmlHeader::kUpper)) h.upperLat = g.gridLatS, h.upperLon = g.gridLonW;
  if (g.gridLonW > h.upperLon || g.gridLatS > h.upperLat || h.lowerLon > g.gridLonE || h.lowerLat > g.gridLatN)
    return DemXmlOutcome::Read;
  const long colOff = static_cast<long>(std::floor((h.lowerLon - g.gridLonW) / g.cellLon + 0.00001));
  const long rowOff = static_cast<long>(std::floor((g.gridLatN - h.upperLat) / g.cellLat + 0.00001));
  // Value k is the file's cell first + k, in rows of the file's width; only
  // the file rows and columns that land in the grid are visited (a tile's
  // grid takes a part of most files it overlaps).
  const std::span<const double> values = parsed.allValues();
  const long width = h.width;
  const long first = h.startY * width + h.startX;
  const long end = first + static_cast<long>(values.size());
  double elevMax = g.elevMax, elevMin = g.elevMin;
  const long rowFrom = std::max(first / width, -rowOff);
  const long rowTo = values.empty() ? rowFrom - 1 : std::min((end - 1) / width, g.gridRows - 1 - rowOff);
  for (long fileRow = rowFrom; fileRow <= rowTo; ++fileRow) {
    const long rowStart = fileRow * width;
    const long colFrom = std::max({0L, -colOff, first - rowStart});
    const long colTo = std::min({width - 1, g.gridCols - 1 - colOff, end - 1 - rowStart});
    const int row = static_cast<int>(fileRow + rowOff);
    CellPair* rowCells = t.cells + static_cast<int64_t>(row) * g.gridCols;
    for (long col = colFrom; col <= colTo; ++col) {
      const double value = values[static_cast<size_t>(rowStart + col - first)];
      if (value != value) continue;   // no value
      const double v = value + t.datumOffset;
      rowCells[col + colOff].x = v;
      if (g.inWindow(row, static_cast<int>(col + colOff))) {
        if (v > elevMax) elevMax = v;
        if (v < elevMin) elevMin = v;
      }
    }
  }
  g.elevMax = elevMax;
  g.elevMin = elevMin;
  return parsed.tuplesOk ? DemXmlOutcome::Read : DemXmlOutcome::BadNumber;
}

bool DeclaresShiftJis(std::string_view bytes) {
  const size_t nl = bytes.find('\n');
  std::string first(bytes.substr(0, nl));
  for (char& ch : first) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return first.find("shift_jis") != std::string::npos;
}

}  // namespace

DemXmlOutcome ReadDemXmlText(std::string_view textAll, DemXmlTarget& t) {
  DemXmlParsed parsed;
  ParseDemXmlText(textAll, t.selectedKinds, parsed);
  t.kindFound = parsed.kindFound;
  return PlaceValues(parsed, t);
}

bool ReadDemXmlHeader(std::string_view textAll, DemXmlHeader& header) {
  return ReadHeader(textAll, header) && header.width > 0;
}

bool ReadDemXmlValues(std::string_view textAll, const DemXmlHeader& h, float* values,
                      bool seaAsZero) {
  static constexpr std::string_view kSeaSurface = "海水面,";
  const long count = h.width * h.height;
  return WalkTuples(
      textAll, h.startY * h.width + h.startX,
      [&](long index, double value) {
        if (index < count) values[index] = static_cast<float>(value);
      },
      [&](long index, std::string_view line) {
        if (seaAsZero && index < count && Trim(line).starts_with(kSeaSurface)) values[index] = 0;
      });
}

namespace {

// The job's grid with the given extent, as the reader places into it.
ElevationGrid GridWithExtent(const ElevationGrid& grid, const GeoBox& extent) {
  ElevationGrid g = grid;
  g.gridLonW = extent.lonW;
  g.gridLatS = extent.latS;
  g.gridLonE = extent.lonE;
  g.gridLatN = extent.latN;
  return g;
}

}  // namespace

unsigned SelectedDemKinds(const JobContext& ctx) {
  unsigned kinds = 0;
  for (int k = 0; k < 4; ++k)
    if (ctx.settings.alti[k] || ctx.settings.cont[k]) kinds |= 1u << k;
  return kinds;
}

void ParseDemXml(const SourceFile& source, unsigned selectedKinds, DemXmlParsed& out) {
  LineStream stream;
  ParseDemXml(source, selectedKinds, out, stream);
}

namespace {

// Bytes in memory (a zip member, or a Shift_JIS file read whole) are taken
// apart where they lie, converted first when they declare Shift_JIS.
void ParseDemXmlBytes(std::string_view bytes, unsigned selectedKinds, DemXmlParsed& out) {
  std::string converted;
  if (DeclaresShiftJis(bytes)) {
    converted = Cp932ToUtf8(bytes);
    bytes = converted;
  }
  ParseDemXmlText(bytes, selectedKinds, out);
}

}  // namespace

void ParseDemXml(const SourceFile& source, unsigned selectedKinds, DemXmlParsed& out, LineStream& stream) {
  if (source.inMemory()) {
    out.loaded = true;
    ParseDemXmlBytes(source.bytes(), selectedKinds, out);
    return;
  }
  // A file on disk is taken apart as it is read, a chunk at a time; one
  // that declares Shift_JIS is read whole and converted instead.
  std::string_view declaration;
  if (!stream.open(source.path())) {
    out.loaded = false;
    return;
  }
  if (stream.next(declaration) && DeclaresShiftJis(declaration)) {
    stream.close();
    std::string bytes;
    out.loaded = ReadWholeFile(source.path(), bytes);
    if (out.loaded) ParseDemXmlBytes(bytes, selectedKinds, out);
    return;
  }
  DemXmlLines lines(selectedKinds, stream.fileBytes(), out);
  lines.takeAll([&stream](std::string_view& line) {
    if (!stream.next(line)) return false;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  });
  stream.close();
  if (stream.failed()) {
    out = DemXmlParsed{};
    out.loaded = false;
    return;
  }
  out.loaded = true;
  lines.finish();
}

bool PlaceDemXml(JobContext& ctx, const DemXmlParsed& parsed, const GeoBox& extent, const std::string& name) {
  if (!ctx.runFlag) return true;
  auto fail = [&] {
    ctx.errorText = "ReadDemXml(" + name + text::kReaderErrorTail;
    return false;
  };
  if (!parsed.loaded) return fail();
  ElevationGrid grid = GridWithExtent(ctx.elevGrid, extent);
  DemXmlTarget target;
  target.grid = &grid;
  target.cells = ctx.cells.data();
  target.datumOffset = ctx.datumOffset;
  const DemXmlOutcome outcome = PlaceValues(parsed, target);
  ctx.elevGrid.elevMax = grid.elevMax;
  ctx.elevGrid.elevMin = grid.elevMin;
  if (outcome == DemXmlOutcome::BadNumber) return fail();
  if (parsed.kindFound >= 0 && outcome == DemXmlOutcome::Read)
    ctx.host.setLabel(LabelRole::Group, text::kStepDemMesh);
  return true;
}

bool ReadDemXml(JobContext& ctx, const SourceFile& source, const GeoBox& extent) {
  if (!ctx.runFlag) return true;
  DemXmlParsed parsed;
  ParseDemXml(source, SelectedDemKinds(ctx), parsed);
  return PlaceDemXml(ctx, parsed, extent, source.name());
}

}  // namespace velkaro
