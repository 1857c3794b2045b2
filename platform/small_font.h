#pragma once
// The built-in 6-point "Small Fonts" face: a proportional bitmap font,
// 8 pixels high at 96 dots per inch, covering printable ASCII. Capitals and
// digits stand on rows 1 to 5 of the cell, small letters on rows 2 to 5
// with ascenders from row 0 and descenders to row 7.

#include <array>
#include <cstdint>

namespace kelvra {

constexpr int kSmallFontHeight = 8;

struct Glyph {
  uint8_t width;                               // inked columns, 1 to 8
  std::array<uint8_t, kSmallFontHeight> rows;  // bit c set: column c inked
};

// The glyph of a byte; bytes outside printable ASCII get the glyph of "?".
const Glyph& SmallFontGlyph(unsigned char ch);

// Horizontal space a glyph takes: its width and one blank column.
inline int SmallFontAdvance(const Glyph& glyph) { return glyph.width + 1; }

}  // namespace kelvra
