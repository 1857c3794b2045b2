#pragma once
// An 8-bit palette bitmap and a canvas that draws on it: pen, brush, border
// flood fill, rectangle, lines and text in a built-in bitmap font. All
// drawing is clipped to the bitmap; nothing here raises except for memory.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra {

// A colour as 0xRRGGBB.
using Color = uint32_t;

constexpr Color kBlack = 0x000000;
constexpr Color kYellow = 0xFFFF00;
constexpr Color kSilver = 0xC0C0C0;
constexpr Color kGreen = 0x008000;
constexpr Color kRed = 0xFF0000;
constexpr Color kWhite = 0xFFFFFF;

// Width x Height pixels of one byte each, indexing a fixed 256-entry
// palette: the sixteen standard colours (black, yellow, silver, green and
// red among them, all exact), a 6x6x6 colour cube and a grey ramp. Rows are
// stored top down with no padding. A blank bitmap is white.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height) { SetSize(width, height); }

  // Makes the bitmap width x height (negative sizes count as 0) and blanks
  // every pixel. Keeps its memory when the size does not grow.
  void SetSize(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // The palette index of colour, or of the nearest palette colour when it
  // is not in the palette.
  static uint8_t IndexOf(Color color);
  // The colour of a palette index.
  static Color PaletteColor(uint8_t index) { return Palette()[index]; }
  static const std::array<Color, 256>& Palette();

  // Pixel access; the point must lie inside the bitmap.
  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  Color PixelColor(int x, int y) const { return PaletteColor(Row(y)[x]); }
  const uint8_t* Pixels() const { return pixels_.data(); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

enum class PenStyle { kSolid, kDot };
enum class BrushStyle { kSolid, kClear };

// Draws on a bitmap that outlives it. The pen is one pixel wide; the
// defaults are a black solid pen, a white solid brush and "Small Fonts" at
// 6 points, with the pen at (0, 0).
class Canvas {
 public:
  explicit Canvas(Bitmap& bitmap);

  void SetPen(Color color, PenStyle style);
  void SetBrush(Color color, BrushStyle style);
  // Any face and size resolve to the one face carried here: "Small Fonts",
  // 6 points, 8 pixels high at 96 dots per inch.
  void SetFont(std::string_view name, int points);

  // Border-mode fill: paints with the brush colour every pixel reachable
  // from (x, y) through pixels not of the border colour (four-connected).
  // Nothing happens when the seed is outside or on the border colour, or
  // when the brush is clear. Works on runs of pixels with its own stack, so
  // any picture is safe.
  void FloodFill(int x, int y, Color border);

  // Outline on columns left and right - 1 and rows top and bottom - 1 with
  // the pen, inside filled with the brush unless it is clear. Reversed
  // corners are swapped; an empty rectangle draws nothing. The pen
  // position is left where it was.
  void Rectangle(int left, int top, int right, int bottom);

  void MoveTo(int x, int y);
  // A line from the pen position that covers its start and stops one pixel
  // short of (x, y), which becomes the pen position. A dotted pen paints
  // two pixels, skips two, and so on from the last MoveTo; its gaps take
  // the brush colour while the brush is solid and are left alone while it
  // is clear.
  void LineTo(int x, int y);

  // Draws text in black with the top-left corner of its first character
  // cell at (x, y). While the brush is solid the cells are first filled
  // with it; while it is clear only the strokes are painted. Bytes outside
  // printable ASCII show as "?".
  void TextOut(int x, int y, std::string_view text);
  // The width in pixels of the cells that TextOut would cover.
  int TextWidth(std::string_view text) const;

 private:
  struct Point {
    int x;
    int y;
  };

  // Paints the pixel at pattern position k of the current line.
  void PlotPenPixel(int x, int y, int64_t k);
  void HorizontalLine(int x1, int x2, int y);
  void VerticalLine(int x, int y1, int y2);
  void GeneralLine(int x1, int y1, int x2, int y2);
  bool DotOn(int64_t k) const;

  Bitmap& bitmap_;
  uint8_t pen_index_;
  PenStyle pen_style_ = PenStyle::kSolid;
  uint8_t brush_index_;
  BrushStyle brush_style_ = BrushStyle::kSolid;
  Point pen_pos_{0, 0};
  int64_t dot_phase_ = 0;  // pattern position reached since the last MoveTo
  // Flood fill scratch: the runs of non-border pixels, row by row.
  struct Run {
    int left;   // first pixel
    int right;  // one past the last pixel
  };
  std::vector<Run> fill_runs_;
  std::vector<size_t> fill_row_start_;  // first run of each row, then the total
  std::vector<uint8_t> fill_reached_;
  std::vector<std::pair<size_t, int>> fill_stack_;  // run and its row
};

}  // namespace kelvra
