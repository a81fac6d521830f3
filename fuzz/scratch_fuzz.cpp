// Scratch files as the drawing side reads them: polyline records (with line
// widths) and ring records (outer rings and holes with declared counts), and
// the plain line, number and skip reads.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "scratch/scratch_reader.h"
#include "scratch/scratch_records.h"

using namespace velkaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  ScratchReader file;
  file.openText(std::string(input.rest()));

  scratch::ScratchRecords records(file);
  if (choice & 1) {
    scratch::PolylineRecord line;
    while (records.nextPolyline(line)) {
    }
  } else {
    scratch::RingRecord ring;
    while (records.nextRing(ring)) {
    }
  }
  file.rewind();
  while (!file.pastEnd()) {
    const long n = file.nextInteger();
    file.nextDouble();
    file.skipLines(n);
  }
  return 0;
}
