#pragma once
// The record kinds of a scratch file, on both sides: the marker lines, the
// typed writing the readers use, and the record iteration the layer drawing
// uses. A record is a fixed sequence of lines (see scratch_file.h for the
// value forms).

#include <string>
#include <string_view>
#include <vector>

#include "scratch/scratch_file.h"
#include "scratch/scratch_reader.h"

namespace velkaro::scratch {

// Ends a polyline record; starts a polygon record (an area's outer ring).
inline constexpr std::string_view kSep = "sep";
// Starts a hole record (an inner ring of the polygon before it).
inline constexpr std::string_view kHole = "mado";
// Starts a polyline record that carries its own line width in pixels.
inline constexpr std::string_view kLineWidth = "lw";

// ---- writing ---------------------------------------------------------------

// A polyline record's optional width: the marker and the width in pixels.
// The record's vertices follow (ScratchFile::vertex), then EndPolyline.
void WriteLineWidth(ScratchFile& out, long pixels);
void EndPolyline(ScratchFile& out);
// The head of a ring record: "sep" for an outer ring, "mado" for a hole, the
// feature's name and the vertex count; the count vertices follow.
void BeginRing(ScratchFile& out, bool hole, std::string_view name, long count);
// A ring point of a KSJ area record: easting and northing, each in the
// shortest decimal text that reads back exactly.
void ShortestVertex(ScratchFile& out, double easting, double northing);
// A track record: its text, the start pixel and the end pixel.
void WriteTrack(ScratchFile& out, std::string_view text, long startX, long startY, long endX,
                long endY);

// The point records. Positions are either plane coordinates (easting,
// northing; symbols and control points) or pixel positions of the tile image
// (x, y; annotation, spot heights, names).
struct PixelPosition {
  long x = 0;
  long y = 0;
};
// Symbol id, easting, northing, a text line (the route number of a national
// route shield, else empty).
void WriteSymbolRecord(ScratchFile& out, int id, double easting, double northing, std::string_view text);
// x, y, the text angle in degrees in its shortest decimal form, the text.
void WriteAnnotationRecord(ScratchFile& out, PixelPosition at, double angle, std::string_view text);
// x, y, the height in whole metres ("%0.0f"), an empty line.
void WriteSpotHeightRecord(ScratchFile& out, PixelPosition at, double metres);
// Easting, northing, the height in metres to one decimal ("%0.1f"), the
// control point's class text.
void WriteControlPointRecord(ScratchFile& out, double easting, double northing, double metres,
                             std::string_view classText);
// x, y, the name.
void WriteNameRecord(ScratchFile& out, PixelPosition at, std::string_view name);

// The shortest decimal text that reads back as value ("0", "12.5").
std::string ShortestDecimal(double value);

// ---- reading ---------------------------------------------------------------

struct PlaneVertex {
  double x;   // easting
  double y;   // northing
};

struct PolylineRecord {
  bool hasWidth = false;              // the record starts with "lw"
  long width = 0;                     // pixels, when hasWidth
  std::vector<PlaneVertex> vertices;  // at least one
};

struct RingRecord {
  bool startsPolygon = false;         // "sep": an outer ring; else a hole
  std::string_view name;              // valid until the next record is read
  long declaredCount = 0;             // the count line as written
  std::vector<PlaneVertex> vertices;  // as many as the file still holds
};

struct TrackRecord {
  std::string_view text; // valid until the next record is read
  double startX = 0, startY = 0, endX = 0, endY = 0;  // pixels
};

// A point record as read back; x and y are map units or pixels by kind,
// texts are valid until the next record is read.
struct SymbolRecord {
  int id = 0;
  double x = 0, y = 0;
  std::string_view text;
};
struct AnnotationRecord {
  double x = 0, y = 0;
  double angle = 0;   // degrees, counter-clockwise
  std::string_view text;
};
struct SpotHeightRecord {
  double x = 0, y = 0;
  std::string_view height;
};
struct ControlPointRecord {
  double x = 0, y = 0;
  std::string_view height;
  std::string_view classText;
};
struct NameRecord {
  double x = 0, y = 0;
  std::string_view text;
};

// Walks the records of a whole scratch file from its first line. A record cut
// short by the end of the file ends the walk (a polyline) or keeps the
// vertices present (a ring); numbers that do not parse read as 0.
class ScratchRecords {
 public:
  explicit ScratchRecords(ScratchReader& file) : file_(file) { file_.rewind(); }

  // The next polyline record; false at the end of the file. The record's
  // buffers are reused from call to call.
  bool nextPolyline(PolylineRecord& record);
  // The next polygon or hole record; false at the end of the file.
  bool nextRing(RingRecord& record);
  // The next track record; false at the end of the file.
  bool nextTrack(TrackRecord& record);

  // The next point record of each kind; false at the end of the file and
  // for a record cut short by it (which is not drawn).
  bool nextSymbol(SymbolRecord& record);
  bool nextAnnotation(AnnotationRecord& record);
  bool nextSpotHeight(SpotHeightRecord& record);
  bool nextControlPoint(ControlPointRecord& record);
  bool nextName(NameRecord& record);

 private:
  ScratchReader& file_;
};

}  // namespace velkaro::scratch
