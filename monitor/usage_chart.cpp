#include "monitor/usage_chart.h"

#include <cmath>
#include <exception>

#include "platform/canvas.h"
#include "platform/jpeg_encoder.h"

namespace kelvra {
namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 135;
constexpr int kColumns = 396;
constexpr int kRingSlots = 288;
constexpr int kPlotHeight = kHeight - 30;
constexpr char kCaption[] = "Kelvra chart v1.0";

// Bar height in pixels for a figure already limited to [i64_min, i64_max]:
// kPlotHeight * (w - i64_min) / i64_delta, rounded half to even. The
// product and quotient are taken exactly in 128-bit integers, so that large
// drives cannot overflow them.
int BarHeight(int64_t w, int64_t i64_min, int64_t i64_delta) {
  if (i64_delta <= 0 || w <= i64_min) return 0;
  const unsigned __int128 numerator =
      static_cast<unsigned __int128>(kPlotHeight) *
      static_cast<unsigned __int128>(static_cast<__int128>(w) - i64_min);
  const uint64_t delta = static_cast<uint64_t>(i64_delta);
  unsigned __int128 quotient;
  uint64_t remainder;
  if (numerator >> 64 == 0) {  // the common case, without a 128-bit division
    quotient = static_cast<uint64_t>(numerator) / delta;
    remainder = static_cast<uint64_t>(numerator) % delta;
  } else {
    quotient = numerator / delta;
    remainder = static_cast<uint64_t>(numerator % delta);
  }
  const uint64_t rest = delta - remainder;
  if (remainder > rest || (remainder == rest && (quotient & 1) != 0)) ++quotient;
  // Only a delta smaller than i64_max - i64_min could go beyond the plot.
  return quotient > kPlotHeight ? kPlotHeight : static_cast<int>(quotient);
}

// The figure a column shows. Columns beyond today (j of 288 and more) show
// the ring's figure for the same time of day, which is yesterday's, except
// at the current slot, whose figure is already today's.
int64_t ColumnFigure(const std::array<int64_t, 288>& day_slots, int j, int current_slot) {
  if (j < kRingSlots) return day_slots[j];
  const int same_time = j - kRingSlots;
  return same_time == current_slot ? 0 : day_slots[same_time];
}

}  // namespace

std::string FormatBytesShort(int64_t value) {
  static const char* const kSuffixes[] = {"", "k", "m", "g", "t"};
  int divisions = 0;
  while (value > 1000) {
    // Long double holds every 64-bit value exactly, so the largest input
    // converts without loss, and the rounded quotient always fits back.
    value = static_cast<int64_t>(std::nearbyintl(static_cast<long double>(value) / 1000.0L));
    ++divisions;
  }
  return std::to_string(value) + (divisions < 5 ? kSuffixes[divisions] : "?");
}

void PaintUsageChart(const std::array<int64_t, 288>& day_slots, int32_t current_slot,
                     int64_t i64_min, int64_t i64_max, int64_t i64_delta, const std::string& title,
                     Bitmap& out) {
  if (current_slot < 0) current_slot = 0;
  if (current_slot >= kRingSlots) current_slot = kRingSlots - 1;

  out.SetSize(kWidth, kHeight);
  Canvas canvas(out);

  canvas.SetBrush(kYellow, BrushStyle::kSolid);
  canvas.FloodFill(1, 1, kYellow);

  canvas.SetPen(kBlack, PenStyle::kSolid);
  canvas.Rectangle(90, 15, kWidth - 15, kHeight - 15);

  canvas.SetBrush(kSilver, BrushStyle::kSolid);
  canvas.FloodFill(100, 20, kBlack);

  canvas.SetBrush(kSilver, BrushStyle::kClear);
  canvas.SetFont("Small Fonts", 6);

  canvas.TextOut(50, kHeight - 20, FormatBytesShort(i64_min));
  canvas.TextOut(50, 10, FormatBytesShort(i64_max));

  for (int i = 0; i < kColumns; ++i) {
    int j = current_slot - i;
    if (j < 0) j += 2 * kRingSlots;
    const int x = i + 91;
    const int hour = (j / 12) % 24;

    if (j % 24 == 0) {
      canvas.SetBrush(kSilver, BrushStyle::kClear);
      canvas.TextOut(x - 3, kHeight - 10, std::to_string(hour));
    }

    if (j % 12 == 0) {
      if (hour == 0) {
        canvas.SetPen(kRed, PenStyle::kSolid);
        canvas.MoveTo(x, kHeight - 15);
        canvas.LineTo(x, 15);
      } else {
        canvas.SetPen(kBlack, PenStyle::kDot);
        canvas.SetBrush(kSilver, BrushStyle::kSolid);
        canvas.MoveTo(x, 15);
        canvas.LineTo(x, kHeight - 10);
      }
      continue;
    }

    int64_t w = ColumnFigure(day_slots, j, current_slot);
    if (w <= 0) continue;
    if (w > i64_max)
      w = i64_max;
    else if (w < i64_min)
      w = i64_min;
    const int h = BarHeight(w, i64_min, i64_delta);
    canvas.SetPen(kGreen, PenStyle::kSolid);
    canvas.MoveTo(x, kHeight - 17);
    canvas.LineTo(x, kHeight - 15 - h);
  }

  canvas.SetPen(kBlack, PenStyle::kDot);
  canvas.SetBrush(kSilver, BrushStyle::kClear);
  for (const double fraction : {0.25, 0.5, 0.75}) {
    const int y = 15 + static_cast<int>(std::nearbyint(kPlotHeight * fraction));
    canvas.MoveTo(85, y);
    canvas.LineTo(kWidth - 15, y);
  }

  canvas.SetBrush(kSilver, BrushStyle::kClear);
  canvas.TextOut(90, 1, title);
  canvas.TextOut(kWidth - 125, 1, kCaption);
}

void DrawUsageChart(const std::array<int64_t, 288>& day_slots, int32_t current_slot,
                    int64_t i64_min, int64_t i64_max, int64_t i64_delta, const std::string& title,
                    const std::string& jpg_file, JpegEncoder& encoder) {
  Bitmap bitmap;
  PaintUsageChart(day_slots, current_slot, i64_min, i64_max, i64_delta, title, bitmap);
  try {
    encoder.Assign(bitmap);
    encoder.SaveToFile(jpg_file);
  } catch (const std::exception&) {
    // A chart that cannot be saved must not stop the pass.
  }
}

}  // namespace kelvra
