// GSI DEM XML: the kind, header and tuple passes into a job's grid, the
// header and value reading gridpack uses for whole meshes, and the same text
// taken apart as a file read a few bytes at a time, which must come out as
// the text in memory does.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "elevation/dem_readers.h"
#include "fuzz_support.h"
#include "job/cell_buffer.h"
#include "platform/line_stream.h"
#include "platform/text_encoding.h"

using namespace velkaro;

namespace {

constexpr int kRows = 40, kCols = 48;

// A grid of kRows x kCols cells of the DEM kind's size whose north-west
// corner lies `shift` cells north-west of the file's own corner, so the
// tuples land partly inside and partly outside.
ElevationGrid GridAround(const DemXmlHeader& header, int shift) {
  static constexpr double kCellLat[] = {1.0 / 18000, 1.0 / 9000, 1.0 / 2400, 1.0 / 480};
  ElevationGrid g;
  g.cellLat = kCellLat[shift & 3];
  g.cellLon = g.cellLat * 1.5;
  const bool placed = header.found & DemXmlHeader::kLower;
  g.gridLonW = (placed ? header.lowerLon : 139.0) - (shift >> 2) * g.cellLon;
  g.gridLatN = (placed ? header.upperLat : 35.0) + (shift >> 2) * g.cellLat;
  g.gridLonE = g.gridLonW + kCols * g.cellLon;
  g.gridLatS = g.gridLatN - kRows * g.cellLat;
  g.gridCols = kCols;
  g.gridRows = kRows;
  g.winCol1 = kCols;
  g.winRow1 = kRows;
  return g;
}

// Whether two readings agree on everything they found (NaN values alike).
bool SameParse(const DemXmlParsed& a, const DemXmlParsed& b) {
  const std::span<const double> va = a.allValues(), vb = b.allValues();
  const DemXmlHeader &ha = a.header, &hb = b.header;
  if (a.outcome != b.outcome || a.kindFound != b.kindFound || a.loaded != b.loaded || a.tuplesOk != b.tuplesOk ||
      ha.lowerLat != hb.lowerLat || ha.lowerLon != hb.lowerLon || ha.upperLat != hb.upperLat ||
      ha.upperLon != hb.upperLon || ha.width != hb.width || ha.height != hb.height || ha.startX != hb.startX ||
      ha.startY != hb.startY || ha.found != hb.found || va.size() != vb.size())
    return false;
  for (size_t i = 0; i < va.size(); ++i)
    if (!(va[i] == vb[i] || (std::isnan(va[i]) && std::isnan(vb[i])))) return false;
  return true;
}

// The bytes as a file (kept in memory), taken apart through a stream of
// small chunks, against the bytes taken apart where they lie.
void CompareStreamed(const std::string& bytes) {
  static const int fd = memfd_create("dem-xml", 0);
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    return;
  DemXmlParsed whole, streamed;
  ParseDemXml(SourceFile::InMemory("dem.xml", bytes), 0xFu, whole);
  LineStream stream(1 + bytes.size() % 61);
  ParseDemXml(SourceFile("/proc/self/fd/" + std::to_string(fd)), 0xFu, streamed, stream);
  if (!SameParse(whole, streamed)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<CellPair> cells(kRows * kCols);
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  std::string text(input.rest());
  CompareStreamed(text);
  if (choice & 0x80) text = Cp932ToUtf8(text);   // a Shift_JIS file

  DemXmlHeader header;
  const bool headerRead = ReadDemXmlHeader(text, header);
  ElevationGrid grid = GridAround(header, choice & 0x3F);
  DemXmlTarget target{&grid, cells.data(), 0.0, 0xFu, -1};
  ReadDemXmlText(text, target);

  if (headerRead) {
    std::vector<float> values(static_cast<size_t>(header.width) * header.height, -9999.f);
    ReadDemXmlValues(text, header, values.data(), choice & 0x40);
  }
  return 0;
}
