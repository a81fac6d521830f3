#pragma once
// Outline glyphs compiled into display lists: each list fills one glyph in
// em units (em height 1.0, origin on the baseline at the left) and ends by
// moving the origin on by the glyph's advance, so lists called one after
// another set a string.

#include <string>

namespace velkaro {

// The family the glyph lists are built from ("ＭＳ Ｐゴシック").
std::string GlyphFamily();

// Compiles the glyph of one character (UTF-8) into display list `list` on
// the current context. False when the face has no outline for it.
bool CompileGlyphList(unsigned list, const std::string& character);

// Compiles "（" "）" "短" "大" "専" into firstList .. firstList + 4. Returns
// false when "大" could not be compiled.
bool CompileMapGlyphs(unsigned firstList);
// Whether the face has an outline for "大", the glyph whose compilation is
// checked (no GL needed).
bool MapGlyphsHaveOutlines();

}  // namespace velkaro
