#pragma once
// The 2-D drawer on the render surface: pens, brushes, text in the named
// faces and a flood fill, with the state (pen, brush, font, text colour,
// background mode) kept from one call to the next like a drawing context.
// Every call hands the surface to the painter engine first, so 2-D drawing
// lands on top of the OpenGL output issued before it.

#include <map>
#include <string>
#include <string_view>

#include "render/colours.h"

class QFont;

namespace velkaro {

class RenderSurface;

// How a font size is given: the full cell height of a line (internal
// leading included), the character height (cell less internal leading), or
// points at 96 dpi (a character height of round(points * 96 / 72)).
enum class FontSizeKind { CellHeight, CharHeight, Points };

inline constexpr const char* kFacePGothic = "ＭＳ Ｐゴシック";
inline constexpr const char* kFacePMincho = "ＭＳ Ｐ明朝";
inline constexpr const char* kFaceMincho = "ＭＳ 明朝";
inline constexpr const char* kFaceVerticalPGothic = "@ＭＳ Ｐゴシック";

struct FontSpec {
  std::string face = kFacePGothic;   // a face starting with "@" sets text top to bottom
  FontSizeKind sizeKind = FontSizeKind::CharHeight;
  double size = 12;
  bool bold = false;
  int escapement = 0;   // tenths of a degree, counter-clockwise

  bool vertical() const { return !face.empty() && face.front() == '@'; }
};

// The installed family that stands in for a face name.
std::string FamilyForFace(std::string_view face);

class PainterDrawer {
 public:
  explicit PainterDrawer(RenderSurface& surface) : surface_(surface) {}

  void setPen(Colour colour, int width) { penColour_ = colour, penWidth_ = width; }
  void setPenColour(Colour colour) { penColour_ = colour; }
  void setPenWidth(int width) { penWidth_ = width; }
  void setBrush(Colour colour) { brushColour_ = colour; }
  Colour brush() const { return brushColour_; }
  void setTextColour(Colour colour) { textColour_ = colour; }
  // Transparent: text leaves its cell's pixels alone; opaque: the cell is
  // first filled with the background colour.
  void setTransparentBackground(bool transparent) { transparent_ = transparent; }
  void setBackgroundColour(Colour colour) { backgroundColour_ = colour; }
  void setFont(const FontSpec& font) { font_ = font; }
  const FontSpec& font() const { return font_; }
  void setBold(bool bold) { font_.bold = bold; }
  void setEscapement(int tenthsOfDegree) { font_.escapement = tenthsOfDegree; }

  // Back to the pen, brush, colours and font of a new drawer, so that what
  // one tile leaves set never shows on the next.
  void resetState() {
    penColour_ = 0, penWidth_ = 1, brushColour_ = 0xFFFFFF, textColour_ = 0;
    backgroundColour_ = 0xFFFFFF, transparent_ = false, font_ = FontSpec{}, penX_ = 0, penY_ = 0;
  }

  void moveTo(int x, int y) { penX_ = x, penY_ = y; }
  // A line with the pen from the current position to (x, y), which becomes
  // the current position; the end pixel is not drawn.
  void lineTo(int x, int y);
  // Fills left <= x < right, top <= y < bottom with the brush colour.
  void fillRect(int left, int top, int right, int bottom);
  // Draws UTF-8 text with the top-left corner of its cell at (x, y).
  void textOut(int x, int y, std::string_view text);
  int textWidth(std::string_view text);
  // The cell height of the current font (whatever the string).
  int textHeight(std::string_view text);
  // Fills, with the brush colour, the 4-connected region around (x, y)
  // bounded by pixels of the border colour. False when (x, y) is outside
  // the surface or on the border.
  bool floodFill(int x, int y, Colour border);

 private:
  QFont qfont() const;
  double cellPerEm(const std::string& family) const;

  RenderSurface& surface_;
  Colour penColour_ = 0;
  int penWidth_ = 1;
  Colour brushColour_ = 0xFFFFFF;
  Colour textColour_ = 0;
  Colour backgroundColour_ = 0xFFFFFF;
  bool transparent_ = false;
  FontSpec font_;
  int penX_ = 0, penY_ = 0;
  mutable std::map<std::string, double> cellPerEm_;   // measured once per family
};

}  // namespace velkaro
