#pragma once
// The two DEM readers: GSI DEM XML files (5 m, 10 m, 50 m, 250 m) and ETOPO
// one-arc-minute float grids. Each writes into the current tile's grid and
// reports a bad file through the job's error text; a bad file never stops the job.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/source_file.h"
#include "elevation/elevation_grid.h"

namespace velkaro {

class LineStream;

struct JobContext;

// What one DEM XML text did to the grid.
enum class DemXmlOutcome {
  Read,         // values placed (possibly none: the file lies outside the grid)
  NotDem,       // another feature type, or a DEM of an unselected kind
  BadNumber,    // a header or tuple number that does not parse
};

struct DemXmlTarget {
  ElevationGrid* grid = nullptr;
  CellPair* cells = nullptr;
  double datumOffset = 0;
  unsigned selectedKinds = 0;   // bit k for DemKind k
  int kindFound = -1;           // set by the reader
};

// Reads one DEM XML document already in UTF-8 (its first line, the XML
// declaration, is skipped as the file reader does).
DemXmlOutcome ReadDemXmlText(std::string_view text, DemXmlTarget& target);

// The header of a DEM XML document: envelope (degrees), grid size and the
// grid position of the first tuple. `found` tells which parts were present.
struct DemXmlHeader {
  enum : unsigned { kLower = 1, kUpper = 2, kHigh = 4, kStart = 8 };
  double lowerLat = 0, lowerLon = 0, upperLat = 0, upperLon = 0;
  long width = 225, height = 150;
  long startX = 0, startY = 0;
  unsigned found = 0;
};

// Reads the header of a DEM XML text in UTF-8. False on a bad number.
bool ReadDemXmlHeader(std::string_view text, DemXmlHeader& header);

// Places the tuples of a DEM XML text into `values`, the file's own grid
// (header.width x header.height, row 0 north, column 0 west), as written.
// Cells without a value keep theirs; with `seaAsZero` a sea-surface cell
// without a value ("海水面,-9999.") becomes 0. False on a bad number.
bool ReadDemXmlValues(std::string_view text, const DemXmlHeader& header, float* values,
                      bool seaAsZero);

// One DEM XML file taken apart without touching a grid, so that files can
// be taken apart on several threads and placed in order on one, and a file
// that several tiles' grids overlap is taken apart once.
struct DemXmlParsed {
  DemXmlOutcome outcome = DemXmlOutcome::NotDem;   // NotDem, or BadNumber for the header
  int kindFound = -1;
  bool loaded = false;          // false: the file could not be read at all
  bool tuplesOk = true;         // false: a tuple's value does not parse
  DemXmlHeader header;
  std::vector<double> values;   // tuple by tuple, NaN for no value; up to a bad number
  // The values where they lie in a file mapped read-only (a DEM file another
  // worker of the run took apart), kept mapped by `mapping`; `values` is then
  // empty.
  std::shared_ptr<const void> mapping;
  std::span<const double> mappedValues;
  std::span<const double> allValues() const { return mapping ? mappedValues : std::span<const double>(values); }
};

// Takes apart a DEM XML file (UTF-8, or Shift_JIS when its declaration
// says so), whole from disk or as bytes already in memory. Safe on any
// thread.
void ParseDemXml(const SourceFile& source, unsigned selectedKinds, DemXmlParsed& out);
// The same, a file on disk read through `stream` (its memory is reused from
// file to file).
void ParseDemXml(const SourceFile& source, unsigned selectedKinds, DemXmlParsed& out, LineStream& stream);
// The DEM kinds the job reads, as DemXmlTarget::selectedKinds.
unsigned SelectedDemKinds(const JobContext& ctx);
// Places a taken-apart file into ctx.elevGrid as ReadDemXml does. Main
// thread.
bool PlaceDemXml(JobContext& ctx, const DemXmlParsed& parsed, const GeoBox& extent, const std::string& name);

// Reads a DEM XML file (UTF-8, or Shift_JIS when its declaration says so),
// whole from disk or as bytes already in memory (a zip member), into
// ctx.elevGrid. The extent is the grid's (GridLonW, GridLatS, GridLonE,
// GridLatN). False when the file could not be read; ctx.errorText then names it.
bool ReadDemXml(JobContext& ctx, const SourceFile& source, const GeoBox& extent);

// Reads the grid's rows and columns from an ETOPO one-arc-minute float grid.
bool ReadEtopoGrid(JobContext& ctx, const std::string& path, const GeoBox& extent);

// ETOPO layout: 21,600 columns from 180 W eastward, rows southward from 90 N.
inline constexpr int kEtopoCols = 21600;
inline constexpr int kEtopoRows = 10800;

}  // namespace velkaro
