#include "sample_area.h"

namespace velkaro::sample {

std::string WriteDemSample(const std::string&, const SampleOptions&) { return {}; }

}  // namespace velkaro::sample
