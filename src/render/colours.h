#pragma once
// Colour conventions of the renderer: 0x00BBGGRR colours (red in the low
// byte), the legend ramp, elevation classes and the pale area-name colours.

#include <cstdint>
#include <string_view>
#include <vector>

namespace velkaro {

using Colour = int32_t;   // 0x00BBGGRR

constexpr int RedOf(Colour c) { return c & 0xFF; }
constexpr int GreenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Colour c) { return (c >> 16) & 0xFF; }
constexpr Colour MakeColour(int r, int g, int b) { return r + g * 256 + b * 65536; }

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
  Colour at(double value, float decl) const;

 private:
  int hdev_;
  double interval_, bottom_;
  std::vector<int> rgb_;   // r, g, b of each class, 0..hdev
};

// A pale colour derived from an area name (UTF-8).
Colour areacl(std::string_view namae);

}  // namespace velkaro
