#pragma once
// The 256-colour palette of the line style dialog: the colour of every entry,
// where each entry is painted in the dialog, picking by position and the label
// that names the current colour.

#include <array>
#include <string>

#include "render/colours.h"

namespace velkaro {

inline constexpr int kPaletteSize = 256;
// The dialog's background (240, 240, 240): a press on it picks nothing.
inline constexpr Colour kPaletteBackground = 0xF0F0F0;

// Colour of entry k (0 … 255); out-of-range entries give the background.
Colour PaletteColour(int k);
// The whole palette, entry by entry.
std::array<Colour, kPaletteSize> PaletteColours();
// The entry that holds the colour, or -1.
int PaletteIndexOf(Colour colour);

// The label under the "TrueColor" button: "No." and the entry number when the
// palette holds the colour, else "TrueColor:" and the six upper-case hex
// digits of 0x00BBGGRR.
std::string ColourLabel(Colour colour);

// A swatch in dialog client pixels; right and bottom are excluded.
struct SwatchRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};
// Where entry k is painted: 10 … 249 in the two blocks of hues, 1 … 9 and
// 250 … 255 as squares in two rows below. Entry 0 is painted nowhere and gets
// an empty rectangle.
SwatchRect PaletteSwatch(int k);
// The entry painted under a point, or -1 on the gaps and the free area.
int PaletteEntryAt(int x, int y);

}  // namespace velkaro
