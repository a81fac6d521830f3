// GSI DEM XML: the kind, header and tuple passes into a job's grid, and the
// header and value reading gridpack uses for whole meshes.
#include <cstdint>
#include <string>
#include <vector>

#include "elevation/dem_readers.h"
#include "fuzz_support.h"
#include "job/cell_buffer.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<CellPair> cells(kRows * kCols);
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  std::string text(input.rest());
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
