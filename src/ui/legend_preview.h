#pragma once
// The legend colour preview beside the scheme slider: the 129 colours of the
// legend ramp side by side, lowest at the left.

#include <QImage>

namespace velkaro {

inline constexpr int kLegendPreviewWidth = 129;
inline constexpr int kLegendPreviewHeight = 25;

// A width x height picture of the ramp of colour scheme `scheme` (alti/iro):
// band i (0 … 128) covers x = trunc(i w) … trunc(i w + w) - 1 with
// w = width / 129 in single precision, over the full height.
QImage LegendPreviewImage(int scheme, int width = kLegendPreviewWidth,
                          int height = kLegendPreviewHeight);

}  // namespace velkaro
