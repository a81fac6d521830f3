// The FGD/KKJ area readers: ring outlines and filled polygons with holes.
#include <cstdint>

#include "gml_reader_job.h"

using namespace velkaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::GmlReaderJob job;
  static constexpr gml::GmlReader kReaders[] = {gml::GML512HatchEdge, gml::GML1024Hatch};
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  job.read(kReaders[choice % 2], input.rest(), choice & 2);
  return 0;
}
