#include "sample_area.h"

namespace velkaro::sample {

std::string WriteKsjSample(const std::string&, const SampleOptions&) { return {}; }

}  // namespace velkaro::sample
