#pragma once
// Colour conventions of the renderer: 0x00BBGGRR colours (red in the low
// byte), the legend ramp, elevation classes and the pale area-name colours.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velkaro {

using Colour = int32_t;   // 0x00BBGGRR

constexpr int RedOf(Colour c) { return c & 0xFF; }
constexpr int GreenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Colour c) { return (c >> 16) & 0xFF; }
constexpr Colour MakeColour(int r, int g, int b) { return r + g * 256 + b * 65536; }

// A colour channel scaled by decl and cut to 0..255, rounding down.
inline int Darken(int c, float decl) {
  const int clamped = std::clamp(c, 0, 255);
  const float scaled = static_cast<float>(clamped) * decl;
  int whole = static_cast<int>(scaled);   // floor, in the usual case of no negative decl
  if (static_cast<float>(whole) > scaled) --whole;
  return std::clamp(whole, 0, 255);
}

// Makes cl the current OpenGL colour.
void gcolor(Colour cl);

// The legend ramp: colour i of a legend of hdev intervals (0 <= i <= hdev),
// in colour scheme `scheme` (alti/iro, 0..7), darkened by decl (0..1).
Colour rgb(int i, int hdev, float decl, int scheme);

// The legend colour of an elevation value (metres) for a legend with the
// given bottom and interval; a value exactly on a step is in the lower class.
Colour elevcl(int hdev, float decl, double interval, double bottom, double value, int scheme);

// elevcl for one legend, its class colours worked out once: the terrain
// mesh asks for a colour per triangle.
class LegendColours {
 public:
  LegendColours(int hdev, double interval, double bottom, int scheme);
  // Inline: the mesh asks millions of times per tile.
  Colour at(double value, float decl) const {
    int index = hdev_;
    if (value < bottom_) {
      index = 0;
    } else if (value <= top_ && interval_ > 0) {
      const double cls = std::floor((value - 0.005 - bottom_) / interval_ + 1);
      index = static_cast<int>(std::clamp(cls, 0.0, static_cast<double>(hdev_)));
    }
    index = std::clamp(index, 0, lastClass_);
    const int* c = &rgb_[static_cast<size_t>(index) * 3];
    return MakeColour(Darken(c[0], decl), Darken(c[1], decl), Darken(c[2], decl));
  }

 private:
  int hdev_;
  double interval_, bottom_;
  double top_;       // the bottom of the top class
  int lastClass_;    // the highest class index with a colour
  std::vector<int> rgb_;   // r, g, b of each class, 0..hdev
};

// A pale colour derived from an area name (UTF-8).
Colour areacl(std::string_view namae);

}  // namespace velkaro
