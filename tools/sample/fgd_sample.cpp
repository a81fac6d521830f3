#include "sample_area.h"

namespace velkaro::sample {

std::string WriteFgdSample(const std::string&, const SampleOptions&) { return {}; }

}  // namespace velkaro::sample
