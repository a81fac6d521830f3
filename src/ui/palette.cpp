#include "ui/palette.h"

#include <cmath>
#include <cstdio>

namespace velkaro {
namespace {

struct RealRgb {
  double r, g, b;
};

// The fully saturated colour of a hue (degrees), largest component 255;
// between two primaries the changing component follows the fraction of the
// 60-degree sector.
RealRgb SaturatedHue(double hue) {
  const int sector = static_cast<int>(hue / 60.0) % 6;
  const double rising = 255.0 * (hue - 60.0 * std::floor(hue / 60.0)) / 60.0;
  const double falling = 255.0 - rising;
  switch (sector) {
    case 0: return {255, rising, 0};
    case 1: return {falling, 255, 0};
    case 2: return {0, 255, rising};
    case 3: return {0, falling, 255};
    case 4: return {rising, 0, 255};
    default: return {255, 0, falling};
  }
}

// Entries 10 … 249: 24 hues 15 degrees apart, five shades each, every odd
// entry the pale form of the even one before it.
Colour RuleColour(int k) {
  static constexpr double kBrightness[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
  RealRgb c = SaturatedHue((k / 10 - 1) * 15.0);
  if (k % 2 == 1) c = {(255 + c.r) / 2, (255 + c.g) / 2, (255 + c.b) / 2};
  const double v = kBrightness[(k % 10) / 2];
  return MakeColour(static_cast<int>(c.r * v), static_cast<int>(c.g * v), static_cast<int>(c.b * v));
}

// The brightest shades of the six primary hues differ by one step from
// entries 1 … 6, so that all 256 entries are distinct.
bool PrimaryException(int k, Colour& out) {
  switch (k) {
    case 10: out = MakeColour(254, 0, 0); return true;
    case 50: out = MakeColour(255, 254, 0); return true;
    case 90: out = MakeColour(0, 254, 0); return true;
    case 130: out = MakeColour(0, 255, 254); return true;
    case 170: out = MakeColour(0, 0, 254); return true;
    case 210: out = MakeColour(254, 0, 255); return true;
    default: return false;
  }
}

constexpr Colour kFixedLow[10] = {
    MakeColour(1, 0, 0),     MakeColour(255, 0, 0),     MakeColour(255, 255, 0),
    MakeColour(0, 255, 0),   MakeColour(0, 255, 255),   MakeColour(0, 0, 255),
    MakeColour(255, 0, 255), MakeColour(0, 0, 0),       MakeColour(128, 128, 128),
    MakeColour(192, 192, 192)};
constexpr Colour kFixedHigh[6] = {MakeColour(0, 1, 0),       MakeColour(51, 51, 51),
                                  MakeColour(102, 102, 102), MakeColour(153, 153, 153),
                                  MakeColour(204, 204, 204), MakeColour(205, 205, 205)};

}  // namespace

Colour PaletteColour(int k) {
  if (k < 0 || k >= kPaletteSize) return kPaletteBackground;
  if (k < 10) return kFixedLow[k];
  if (k >= 250) return kFixedHigh[k - 250];
  Colour exception = 0;
  if (PrimaryException(k, exception)) return exception;
  return RuleColour(k);
}

std::array<Colour, kPaletteSize> PaletteColours() {
  std::array<Colour, kPaletteSize> all{};
  for (int k = 0; k < kPaletteSize; ++k) all[static_cast<size_t>(k)] = PaletteColour(k);
  return all;
}

int PaletteIndexOf(Colour colour) {
  for (int k = 0; k < kPaletteSize; ++k)
    if (PaletteColour(k) == colour) return k;
  return -1;
}

std::string ColourLabel(Colour colour) {
  const int n = PaletteIndexOf(colour);
  char text[32];
  if (n >= 0)
    std::snprintf(text, sizeof text, "No.%d", n);
  else
    std::snprintf(text, sizeof text, "TrueColor:%06X", static_cast<unsigned>(colour) & 0xFFFFFFu);
  return text;
}

SwatchRect PaletteSwatch(int k) {
  if (k >= 10 && k < 250) {
    const int j = k / 10;
    const int shade = k % 10;
    if (shade % 2 == 0) {            // upper block: darkest shade at the top
      const int i = 4 - shade / 2;
      return {16 * j, 11 * i + 10, 16 * j + 15, 11 * i + 20};
    }
    const int i = (shade - 1) / 2;   // lower block: pale shades, brightest at the top
    return {16 * j, 11 * i + 70, 16 * j + 15, 11 * i + 80};
  }
  if (k >= 1 && k <= 9) return {21 * k - 5, 150, 21 * k + 15, 170};
  if (k >= 250 && k < kPaletteSize) {
    const int i = k - 250;
    return {21 * i + 16, 180, 21 * i + 36, 200};
  }
  return {};
}

int PaletteEntryAt(int x, int y) {
  for (int k = 1; k < kPaletteSize; ++k)
    if (PaletteSwatch(k).contains(x, y)) return k;
  return -1;
}

}  // namespace velkaro
