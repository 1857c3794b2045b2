#include "platform/canvas.h"

#include <algorithm>
#include <cstring>

#include "platform/small_font.h"

namespace kelvra {
namespace {

constexpr uint8_t kBlankIndex = 15;  // white

constexpr bool Listed(const std::array<Color, 256>& palette, int count, Color color) {
  for (int i = 0; i < count; ++i)
    if (palette[i] == color) return true;
  return false;
}

// Every colour appears once, so a colour and its index stand for each other.
constexpr std::array<Color, 256> BuildPalette() {
  std::array<Color, 256> palette{};
  constexpr Color kStandard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                   0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  int count = 0;
  const auto add = [&palette, &count](Color c) {
    if (count < 256 && !Listed(palette, count, c)) palette[count++] = c;
  };
  for (Color c : kStandard) add(c);
  for (Color r = 0; r < 6; ++r)
    for (Color g = 0; g < 6; ++g)
      for (Color b = 0; b < 6; ++b) add((r * 51) << 16 | (g * 51) << 8 | (b * 51));
  for (Color level = 4; count < 256; level += 7) add(level << 16 | level << 8 | level);
  return palette;
}

constexpr std::array<Color, 256> kPalette = BuildPalette();
static_assert(kPalette[255] != 0, "palette not filled");

int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }
int64_t Sign64(int64_t v) { return v < 0 ? -1 : 1; }

// The steps k in [0, n) at which start + step * k (step +1 or -1) lies in
// [0, limit), as the half-open range [*lo, *hi).
void ClipSteps(int64_t start, int64_t step, int64_t limit, int64_t n, int64_t* lo, int64_t* hi) {
  if (step > 0) {
    *lo = -start;
    *hi = limit - start;
  } else {
    *lo = start - limit + 1;
    *hi = start + 1;
  }
  *lo = std::max<int64_t>(*lo, 0);
  *hi = std::min<int64_t>(*hi, n);
}

}  // namespace

void Bitmap::SetSize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<size_t>(width_) * height_, kBlankIndex);
}

const std::array<Color, 256>& Bitmap::Palette() { return kPalette; }

uint8_t Bitmap::IndexOf(Color color) {
  color &= 0xFFFFFF;
  for (int i = 0; i < 256; ++i)
    if (kPalette[i] == color) return static_cast<uint8_t>(i);
  const auto channel = [](Color c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  int best = 0;
  int best_distance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    int distance = 0;
    for (int shift : {16, 8, 0}) {
      const int d = channel(color, shift) - channel(kPalette[i], shift);
      distance += d * d;
    }
    if (distance < best_distance) {
      best_distance = distance;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

Canvas::Canvas(Bitmap& bitmap)
    : bitmap_(bitmap), pen_index_(Bitmap::IndexOf(kBlack)), brush_index_(Bitmap::IndexOf(kWhite)) {}

void Canvas::SetPen(Color color, PenStyle style) {
  pen_index_ = Bitmap::IndexOf(color);
  pen_style_ = style;
}

void Canvas::SetBrush(Color color, BrushStyle style) {
  brush_index_ = Bitmap::IndexOf(color);
  brush_style_ = style;
}

void Canvas::SetFont(std::string_view, int) {}

void Canvas::FloodFill(int x, int y, Color border) {
  if (brush_style_ == BrushStyle::kClear || !bitmap_.Contains(x, y)) return;
  // Each colour has one palette index, so the border is one byte value.
  const uint8_t border_index = Bitmap::IndexOf(border);
  if (bitmap_.Row(y)[x] == border_index) return;
  const int width = bitmap_.Width();
  const int height = bitmap_.Height();

  // Cut every row into runs of non-border pixels. Painted pixels may keep
  // looking fillable (the brush is not the border colour), so the fill
  // works on these runs, each reached once, rather than on the pixels.
  fill_runs_.clear();
  fill_row_start_.clear();
  size_t seed_run = 0;
  for (int row = 0; row < height; ++row) {
    fill_row_start_.push_back(fill_runs_.size());
    const uint8_t* pixels = bitmap_.Row(row);
    int cx = 0;
    while (cx < width) {
      while (cx < width && pixels[cx] == border_index) ++cx;
      if (cx == width) break;
      const void* hit = std::memchr(pixels + cx, border_index, static_cast<size_t>(width - cx));
      const int end = hit ? static_cast<int>(static_cast<const uint8_t*>(hit) - pixels) : width;
      if (row == y && cx <= x && x < end) seed_run = fill_runs_.size();
      fill_runs_.push_back({cx, end});
      cx = end;
    }
  }
  fill_row_start_.push_back(fill_runs_.size());

  fill_reached_.assign(fill_runs_.size(), 0);
  fill_stack_.clear();
  fill_stack_.push_back({seed_run, y});
  fill_reached_[seed_run] = 1;
  while (!fill_stack_.empty()) {
    const auto [current, row] = fill_stack_.back();
    fill_stack_.pop_back();
    const Run run = fill_runs_[current];
    std::memset(bitmap_.Row(row) + run.left, brush_index_,
                static_cast<size_t>(run.right - run.left));
    for (const int next_row : {row - 1, row + 1}) {
      if (next_row < 0 || next_row >= height) continue;
      // The runs of the next row that share a column with this one.
      const auto first =
          fill_runs_.begin() + static_cast<std::ptrdiff_t>(fill_row_start_[next_row]);
      const auto last =
          fill_runs_.begin() + static_cast<std::ptrdiff_t>(fill_row_start_[next_row + 1]);
      auto it = std::upper_bound(first, last, run.left,
                                 [](int left, const Run& r) { return left < r.right; });
      for (; it != last && it->left < run.right; ++it) {
        const size_t index = static_cast<size_t>(it - fill_runs_.begin());
        if (fill_reached_[index]) continue;
        fill_reached_[index] = 1;
        fill_stack_.push_back({index, next_row});
      }
    }
  }
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right || top == bottom) return;

  if (brush_style_ == BrushStyle::kSolid) {
    const int x1 = std::max(left + 1, 0);
    const int x2 = std::min(right - 1, bitmap_.Width());
    const int y1 = std::max(top + 1, 0);
    const int y2 = std::min(bottom - 1, bitmap_.Height());
    if (x1 < x2)
      for (int row = y1; row < y2; ++row) std::memset(bitmap_.Row(row) + x1, brush_index_, x2 - x1);
  }

  const Point saved_pos = pen_pos_;
  const int64_t saved_phase = dot_phase_;
  if (int64_t{right} - left == 1 && int64_t{bottom} - top == 1) {
    dot_phase_ = 0;
    if (bitmap_.Contains(left, top)) PlotPenPixel(left, top, 0);
  } else {
    MoveTo(left, top);
    LineTo(right - 1, top);
    LineTo(right - 1, bottom - 1);
    LineTo(left, bottom - 1);
    LineTo(left, top);
  }
  pen_pos_ = saved_pos;
  dot_phase_ = saved_phase;
}

void Canvas::MoveTo(int x, int y) {
  pen_pos_ = {x, y};
  dot_phase_ = 0;
}

void Canvas::LineTo(int x, int y) {
  const int64_t steps = std::max(Abs64(int64_t{x} - pen_pos_.x), Abs64(int64_t{y} - pen_pos_.y));
  if (y == pen_pos_.y && pen_style_ == PenStyle::kSolid)
    HorizontalLine(pen_pos_.x, x, y);
  else if (x == pen_pos_.x)
    VerticalLine(x, pen_pos_.y, y);
  else
    GeneralLine(pen_pos_.x, pen_pos_.y, x, y);
  dot_phase_ += steps;
  pen_pos_ = {x, y};
}

bool Canvas::DotOn(int64_t k) const {
  return pen_style_ == PenStyle::kSolid || (dot_phase_ + k) % 4 < 2;
}

void Canvas::PlotPenPixel(int x, int y, int64_t k) {
  if (DotOn(k))
    bitmap_.Row(y)[x] = pen_index_;
  else if (brush_style_ == BrushStyle::kSolid)
    bitmap_.Row(y)[x] = brush_index_;
}

void Canvas::HorizontalLine(int x1, int x2, int y) {
  if (y < 0 || y >= bitmap_.Height() || x1 == x2) return;
  // The covered columns are [x1, x2) or (x2, x1].
  int64_t from = x1 < x2 ? x1 : int64_t{x2} + 1;
  int64_t to = x1 < x2 ? x2 : int64_t{x1} + 1;
  from = std::max<int64_t>(from, 0);
  to = std::min<int64_t>(to, bitmap_.Width());
  if (from < to) std::memset(bitmap_.Row(y) + from, pen_index_, static_cast<size_t>(to - from));
}

void Canvas::VerticalLine(int x, int y1, int y2) {
  if (x < 0 || x >= bitmap_.Width()) return;
  const int64_t step = y1 < y2 ? 1 : -1;
  int64_t k_lo = 0;
  int64_t k_hi = 0;
  ClipSteps(y1, step, bitmap_.Height(), Abs64(int64_t{y2} - y1), &k_lo, &k_hi);
  if (k_lo >= k_hi) return;
  const std::ptrdiff_t stride = step * bitmap_.Width();
  uint8_t* const column = bitmap_.Row(0) + x;
  std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(y1 + step * k_lo) * bitmap_.Width();
  const int count = static_cast<int>(k_hi - k_lo);
  // Locals, so that the compiler need not reload them after every store.
  const uint8_t pen = pen_index_;
  if (pen_style_ == PenStyle::kSolid) {
    for (int n = 0; n < count; ++n, offset += stride) column[offset] = pen;
    return;
  }
  const uint8_t brush = brush_index_;
  const bool paint_gaps = brush_style_ == BrushStyle::kSolid;
  for (int64_t k = k_lo; k < k_hi; ++k, offset += stride) {
    if (DotOn(k))
      column[offset] = pen;
    else if (paint_gaps)
      column[offset] = brush;
  }
}

// Bresenham's line, clipped: only the steps whose major coordinate lies in
// the bitmap are walked, the minor coordinate and error term of the first
// such step are worked out directly, and the pattern position stays that of
// the unclipped line.
void Canvas::GeneralLine(int x1, int y1, int x2, int y2) {
  const int64_t dx = int64_t{x2} - x1;
  const int64_t dy = int64_t{y2} - y1;
  const bool x_major = Abs64(dx) >= Abs64(dy);
  const int64_t n = x_major ? Abs64(dx) : Abs64(dy);
  if (n == 0) return;
  const int64_t minor_amount = x_major ? Abs64(dy) : Abs64(dx);
  const int64_t major_start = x_major ? x1 : y1;
  const int64_t major_step = Sign64(x_major ? dx : dy);
  const int64_t major_limit = x_major ? bitmap_.Width() : bitmap_.Height();
  const int64_t minor_start = x_major ? y1 : x1;
  const int64_t minor_step = Sign64(x_major ? dy : dx);
  const int64_t minor_limit = x_major ? bitmap_.Height() : bitmap_.Width();

  int64_t k_lo = 0;
  int64_t k_hi = 0;
  ClipSteps(major_start, major_step, major_limit, n, &k_lo, &k_hi);
  if (k_lo >= k_hi) return;

  // Minor offset at step k: k * minor_amount / n rounded, halves upwards.
  const int64_t two_n = 2 * n;
  const __int128 numerator = static_cast<__int128>(2) * k_lo * minor_amount + n;
  int64_t remainder = static_cast<int64_t>(numerator % two_n);
  int64_t minor = minor_start + minor_step * static_cast<int64_t>(numerator / two_n);
  int64_t major = major_start + major_step * k_lo;
  for (int64_t k = k_lo; k < k_hi; ++k) {
    if (minor >= 0 && minor < minor_limit) {
      if (x_major)
        PlotPenPixel(static_cast<int>(major), static_cast<int>(minor), k);
      else
        PlotPenPixel(static_cast<int>(minor), static_cast<int>(major), k);
    }
    major += major_step;
    remainder += 2 * minor_amount;
    if (remainder >= two_n) {
      remainder -= two_n;
      minor += minor_step;
    }
  }
}

void Canvas::TextOut(int x, int y, std::string_view text) {
  if (brush_style_ == BrushStyle::kSolid) {
    const int64_t x1 = std::max<int64_t>(x, 0);
    const int64_t x2 = std::min<int64_t>(int64_t{x} + TextWidth(text), bitmap_.Width());
    const int64_t y1 = std::max<int64_t>(y, 0);
    const int64_t y2 = std::min<int64_t>(int64_t{y} + kSmallFontHeight, bitmap_.Height());
    if (x1 < x2)
      for (int64_t row = y1; row < y2; ++row)
        std::memset(bitmap_.Row(static_cast<int>(row)) + x1, brush_index_,
                    static_cast<size_t>(x2 - x1));
  }
  const uint8_t ink = Bitmap::IndexOf(kBlack);
  int64_t cell_x = x;
  for (const char ch : text) {
    if (cell_x >= bitmap_.Width()) break;
    const Glyph& glyph = SmallFontGlyph(static_cast<unsigned char>(ch));
    for (int row = 0; row < kSmallFontHeight; ++row) {
      const int64_t py = int64_t{y} + row;
      if (py < 0 || py >= bitmap_.Height() || glyph.rows[row] == 0) continue;
      uint8_t* pixels = bitmap_.Row(static_cast<int>(py));
      for (int column = 0; column < glyph.width; ++column) {
        const int64_t px = cell_x + column;
        if (((glyph.rows[row] >> column) & 1) && px >= 0 && px < bitmap_.Width()) pixels[px] = ink;
      }
    }
    cell_x += SmallFontAdvance(glyph);
  }
}

int Canvas::TextWidth(std::string_view text) const {
  int width = 0;
  for (const char ch : text)
    width += SmallFontAdvance(SmallFontGlyph(static_cast<unsigned char>(ch)));
  return width;
}

}  // namespace kelvra
