#include "monitor/usage_chart.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>

#include "platform/canvas.h"

namespace kelvra {
namespace {

using Ring = std::array<int64_t, 288>;

Bitmap Paint(const Ring& ring, int32_t current_slot, int64_t i64_min, int64_t i64_max,
             const std::string& title = "") {
  Bitmap chart;
  PaintUsageChart(ring, current_slot, i64_min, i64_max, i64_max - i64_min, title, chart);
  return chart;
}

// Whether the chart shows exactly text at (x, y) over a plain background,
// compared with the same text drawn alone.
::testing::AssertionResult ShowsText(const Bitmap& chart, int x, int y, const std::string& text,
                                     Color background) {
  Bitmap reference(chart.Width(), chart.Height());
  Canvas canvas(reference);
  canvas.SetBrush(background, BrushStyle::kSolid);
  canvas.FloodFill(0, 0, kBlack);
  canvas.SetBrush(background, BrushStyle::kClear);
  canvas.TextOut(x, y, text);
  for (int py = y; py < y + 8 && py < chart.Height(); ++py)
    for (int px = x; px < x + canvas.TextWidth(text) && px < chart.Width(); ++px)
      if (chart.PixelColor(px, py) != reference.PixelColor(px, py))
        return ::testing::AssertionFailure() << "\"" << text << "\" differs at " << px << "," << py;
  return ::testing::AssertionSuccess();
}

std::set<int> GreenColumnsOnRow(const Bitmap& chart, int y) {
  std::set<int> columns;
  for (int x = 0; x < chart.Width(); ++x)
    if (chart.PixelColor(x, y) == kGreen) columns.insert(x);
  return columns;
}

TEST(FormatBytesShortTest, DividesByThousandsRoundingHalvesToEven) {
  struct Case {
    int64_t value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {1000, "1000"},
      {1001, "1k"},
      {1500, "2k"},
      {2500, "2k"},
      {3500, "4k"},
      {999499, "999k"},
      {999500, "1000k"},
      {1499500, "2m"},
      {120000000000, "120g"},
      {1000000000000000, "1000t"},
      {1001000000000000, "1?"},
      {INT64_MAX, "9?"},
      {-5000, "-5000"},
      {INT64_MIN, "-9223372036854775808"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatBytesShort(c.value), c.text) << c.value;
}

// A ring without figures, as the pass leaves it on a first start: the
// frame, plot area, hour and quarter lines and labels, and no bar.
TEST(UsageChartTest, EmptyRingShowsTheFrameLinesAndLabels) {
  const Bitmap chart = Paint(Ring{}, 0, -1, 0);
  ASSERT_EQ(chart.Width(), 500);
  ASSERT_EQ(chart.Height(), 135);
  struct Case {
    int x, y;
    Color color;
    const char* what;
  };
  const Case cases[] = {
      {0, 0, kYellow, "background"},
      {499, 134, kYellow, "background"},
      {89, 60, kYellow, "left of the frame"},
      {90, 60, kBlack, "frame, left column"},
      {484, 60, kBlack, "frame, right column"},
      {485, 60, kYellow, "right of the frame"},
      {200, 15, kBlack, "frame, top row"},
      {200, 119, kBlack, "frame, bottom row"},
      {200, 120, kYellow, "below the frame"},
      {92, 16, kSilver, "plot area, top left"},
      {200, 60, kSilver, "plot area"},
      {483, 118, kSilver, "plot area, bottom right"},
      {91, 15, kBlack, "midnight line stops below the top row"},
      {91, 16, kRed, "midnight line at column 0"},
      {91, 119, kRed, "midnight line over the frame's bottom row"},
      {91, 120, kRed, "midnight line starts on row 120"},
      {91, 121, kYellow, "below the midnight line"},
      {103, 15, kBlack, "hour line, first dot"},
      {103, 17, kSilver, "hour line gap takes the solid brush"},
      {103, 122, kSilver, "hour line gap in the bottom margin"},
      {103, 124, kBlack, "hour line reaches row 124"},
      {103, 125, kYellow, "hour line stops short of row 125"},
      {84, 41, kYellow, "quarter line starts at x 85"},
      {85, 41, kBlack, "quarter line at 25 percent"},
      {87, 41, kYellow, "quarter line gap over the background"},
      {200, 41, kSilver, "quarter line gap over the plot area"},
      {201, 41, kBlack, "quarter line dot"},
      {485, 41, kYellow, "quarter line stops short of x 485"},
      {85, 67, kBlack, "quarter line at 50 percent"},
      {201, 67, kBlack, "quarter line at 50 percent"},
      {85, 68, kYellow, "no line on row 68"},
      {201, 68, kSilver, "no line on row 68"},
      {85, 94, kBlack, "quarter line at 75 percent"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(chart.PixelColor(c.x, c.y), c.color)
        << c.what << " at " << c.x << "," << c.y << std::hex << ": 0x"
        << chart.PixelColor(c.x, c.y);

  EXPECT_TRUE(ShowsText(chart, 50, 115, "-1", kYellow));
  EXPECT_TRUE(ShowsText(chart, 50, 10, "0", kYellow));
  EXPECT_TRUE(ShowsText(chart, 88, 125, "0", kYellow));
  EXPECT_TRUE(ShowsText(chart, 112, 125, "22", kYellow));
  for (int y = 0; y < chart.Height(); ++y) EXPECT_TRUE(GreenColumnsOnRow(chart, y).empty()) << y;
}

// One figure in the slot just before the current one (column 1, x 92).
TEST(UsageChartTest, BarHeightScalesRoundsAndClamps) {
  struct Case {
    int64_t i64_min, i64_max, value;
    int top, bottom;  // green rows; top -1 for no bar
  };
  const Case cases[] = {
      {1000, 1105, 1105, 16, 118},   // full height
      {1000, 1105, 5000, 16, 118},   // above the scale
      {1000, 1105, 1050, 71, 118},   // h 50
      {1000, 1105, 1002, -1, 0},     // h 2 draws nothing
      {1000, 1105, 1001, 118, 118},  // h 1
      {1000, 1105, 1000, 118, 119},  // h 0 reaches the frame's bottom row
      {1000, 1105, 500, 118, 119},   // below the scale draws like the floor
      {1000, 1105, 0, -1, 0},        // no figure
      {1000, 1105, -7, -1, 0},       // no figure
      {0, 210, 1, 118, 119},         // 0.5 gives 0
      {0, 210, 3, -1, 0},            // 1.5 gives 2
      {0, 210, 5, -1, 0},            // 2.5 gives 2
      {0, 210, 7, 117, 118},         // 3.5 gives 4
      {0, INT64_MAX, INT64_MAX, 16, 118},
      {0, INT64_MAX, INT64_MAX / 2, 69, 118},  // 52.4999... gives 52
      {INT64_MIN / 2, INT64_MAX / 2, INT64_MAX / 2, 16, 118},
  };
  for (const Case& c : cases) {
    Ring ring{};
    ring[99] = c.value;
    const Bitmap chart = Paint(ring, 100, c.i64_min, c.i64_max);
    for (int y = 0; y < chart.Height(); ++y) {
      const bool green = c.top >= 0 && y >= c.top && y <= c.bottom;
      EXPECT_EQ(chart.PixelColor(92, y) == kGreen, green)
          << c.value << " on [" << c.i64_min << ", " << c.i64_max << "], row " << y;
      EXPECT_NE(chart.PixelColor(93, y), kGreen);
    }
  }
}

// With the current slot 100, the hour columns are every twelfth from x 95
// (midnight at x 191); a full ring puts a bar everywhere else but at x 379,
// where the current slot's time of day comes round a day earlier.
TEST(UsageChartTest, HourColumnsNeverShowABar) {
  Ring ring;
  ring.fill(2000);
  const Bitmap chart = Paint(ring, 100, 1000, 2000);
  for (int x = 91; x <= 486; ++x) {
    const bool bar = (x - 95) % 12 != 0 && x != 379;
    EXPECT_EQ(chart.PixelColor(x, 100) == kGreen, bar) << x;
    EXPECT_EQ(chart.PixelColor(x, 16) == kGreen, bar) << x;
  }
  EXPECT_EQ(chart.PixelColor(191, 100), kRed);
  EXPECT_EQ(chart.PixelColor(191, 120), kRed);
  EXPECT_EQ(chart.PixelColor(95, 124), kBlack);
  EXPECT_TRUE(ShowsText(chart, 92, 125, "8", kYellow));
}

// Current slot 50: today's columns are x 91 to 141; the next 288 columns
// fall on slots of yesterday's time of day, and beyond them the ring is
// read from slot 287 down.
TEST(UsageChartTest, OlderColumnsShowTheSameTimeOfDay) {
  Ring ring{};
  ring[50] = 2000;   // the current slot: x 91 only, not again a day later (x 379)
  ring[61] = 2000;   // yesterday at this time of day: x 368
  ring[241] = 2000;  // yesterday (x 188) and again at the far right (x 476)
  const Bitmap chart = Paint(ring, 50, 1000, 2000);
  EXPECT_EQ(GreenColumnsOnRow(chart, 100), (std::set<int>{91, 188, 368, 476}));
}

TEST(UsageChartTest, CurrentSlotOutsideTheRingIsClamped) {
  struct Case {
    int32_t given, clamped;
  };
  const Case cases[] = {{-1, 0}, {INT32_MIN, 0}, {288, 287}, {INT32_MAX, 287}};
  Ring ring;
  for (int k = 0; k < 288; ++k) ring[k] = 1000 + 3 * k;
  for (const Case& c : cases) {
    const Bitmap expected = Paint(ring, c.clamped, 1000, 2000);
    const Bitmap actual = Paint(ring, c.given, 1000, 2000);
    int differences = 0;
    for (int y = 0; y < expected.Height(); ++y)
      for (int x = 0; x < expected.Width(); ++x)
        differences += actual.PixelColor(x, y) != expected.PixelColor(x, y);
    EXPECT_EQ(differences, 0) << c.given;
  }
}

TEST(UsageChartTest, LabelsTitleAndCaption) {
  const Bitmap chart = Paint(Ring{}, 0, 30000000000, 60000000000, "Drive C: used (SRV1)");
  EXPECT_TRUE(ShowsText(chart, 50, 115, "30g", kYellow));
  EXPECT_TRUE(ShowsText(chart, 50, 10, "60g", kYellow));
  EXPECT_TRUE(ShowsText(chart, 90, 1, "Drive C: used (SRV1)", kYellow));
  int caption_ink = 0;
  for (int y = 1; y < 9; ++y)
    for (int x = 375; x < 500; ++x) caption_ink += chart.PixelColor(x, y) == kBlack;
  EXPECT_GT(caption_ink, 20);
}

}  // namespace
}  // namespace kelvra
