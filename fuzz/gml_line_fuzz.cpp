// The FGD/KKJ line readers: plain lines cut at mesh edges, roads with their
// widths, railways, and lines with a visibility value.
#include <cstdint>

#include "gml_reader_job.h"

using namespace velkaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::GmlReaderJob job;
  static constexpr gml::GmlReader kReaders[] = {gml::GML32Poly, gml::GML64PolyRoad, gml::GML128PolyRail,
                                                gml::GML256Poly};
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  job.read(kReaders[choice % 4], input.rest(), choice & 4);
  return 0;
}
