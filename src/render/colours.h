#pragma once
// Colour conventions of the renderer: 0x00BBGGRR colours (red in the low
// byte), the legend ramp, elevation classes and the pale area-name colours.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velkaro {

using Colour = int32_t;   // 0x00BBGGRR

constexpr int RedOf(Colour c) { return c & 0xFF; }
constexpr int GreenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Colour c) { return (c >> 16) & 0xFF; }
constexpr Colour MakeColour(int r, int g, int b) { return r + g * 256 + b * 65536; }

// Darken for a channel already cut to 0..255 and held as a float. The
// product is cut to 0..255 before it becomes a whole number, so that no
// factor, however far out (or not a number), overflows the conversion.
inline int DarkenChannel(float channel, float decl) {
  const float scaled = channel * decl;
  if (!(scaled > 0)) return 0;   // also not a number
  if (scaled >= 255) return 255;
  return static_cast<int>(scaled);   // rounds down, being above zero
}

// A colour channel scaled by decl and cut to 0..255, rounding down.
inline int Darken(int c, float decl) { return DarkenChannel(static_cast<float>(std::clamp(c, 0, 255)), decl); }

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
    return DarkenClass(&rgb_[static_cast<size_t>(index) * 4], decl);
  }

 private:
  // The three channels of a class darkened at once, as DarkenChannel each.
  static Colour DarkenClass(const float* c, float decl) {
#if defined(__SSE2__)
    // Cut to 0..255 (the maximum gives zero for not a number), then
    // truncated: DarkenChannel lane by lane.
    const __m128 scaled = _mm_mul_ps(_mm_loadu_ps(c), _mm_set1_ps(decl));
    const __m128 cut = _mm_min_ps(_mm_max_ps(scaled, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    const __m128i whole = _mm_cvttps_epi32(cut);
    const __m128i words = _mm_packs_epi32(whole, whole);
    return static_cast<Colour>(static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words))) & 0xFFFFFFu);
#else
    return MakeColour(DarkenChannel(c[0], decl), DarkenChannel(c[1], decl), DarkenChannel(c[2], decl));
#endif
  }

  int hdev_;
  double interval_, bottom_;
  double top_;       // the bottom of the top class
  int lastClass_;    // the highest class index with a colour
  std::vector<float> rgb_;   // r, g, b, 0 of each class, 0..hdev, cut to 0..255
};

// A pale colour derived from an area name (UTF-8).
Colour areacl(std::string_view namae);

}  // namespace velkaro
