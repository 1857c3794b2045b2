#pragma once
// The usage chart: a 500 x 135 picture of the day ring, saved as JPEG.

#include <array>
#include <cstdint>
#include <string>

namespace kelvra {

class Bitmap;
class JpegEncoder;

// A byte count with a one-letter size suffix: 1500 gives 2k, 999500 1000k.
// Values of 1000 or less, negatives included, come back as plain numbers.
std::string FormatBytesShort(int64_t value);

// Paints the chart into out (resized to 500 x 135): the last 396
// five-minute slots, newest at the left, bars scaled between i64_min and
// i64_max over i64_delta, hour lines and labels, quarter lines, title and
// caption. Columns older than a day show the ring's figure for the same
// time of day. A current_slot outside 0..287 is clamped into it; an
// i64_delta of 0 or less draws no bar above the floor.
void PaintUsageChart(const std::array<int64_t, 288>& day_slots, int32_t current_slot,
                     int64_t i64_min, int64_t i64_max, int64_t i64_delta, const std::string& title,
                     Bitmap& out);

// Paints the chart and saves it with the pass's encoder as jpg_file. A
// failed save is caught here; nothing is logged.
void DrawUsageChart(const std::array<int64_t, 288>& day_slots, int32_t current_slot,
                    int64_t i64_min, int64_t i64_max, int64_t i64_delta, const std::string& title,
                    const std::string& jpg_file, JpegEncoder& encoder);

}  // namespace kelvra
