#pragma once
// Whole pixel counts and angles from doubles that may come from a damaged
// file: converting a double outside the int range to an int is undefined,
// so the value is cut to the range first (not a number gives 0).

#include <algorithm>
#include <cmath>
#include <limits>

namespace velkaro {

// trunc(v) as an int, cut to the int range.
inline int SaturatingTrunc(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::clamp(std::trunc(v), static_cast<double>(std::numeric_limits<int>::min()),
                                     static_cast<double>(std::numeric_limits<int>::max())));
}

}  // namespace velkaro
