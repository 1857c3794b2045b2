#pragma once
// The usage chart: a 500 x 135 picture of the day ring, saved as JPEG.

#include <array>
#include <cstdint>
#include <string>

namespace kelvra {

class JpegEncoder;

// A byte count with a one-letter size suffix: 1500 gives 2k, 999500 1000k.
std::string FormatBytesShort(int64_t value);

// Paints the chart of the day ring and saves it with the pass's encoder as
// jpg_file. A failed save is caught here; nothing is logged.
void DrawUsageChart(const std::array<int64_t, 288>& day_slots, int32_t current_slot,
                    int64_t i64_min, int64_t i64_max, int64_t i64_delta, const std::string& title,
                    const std::string& jpg_file, JpegEncoder& encoder);

}  // namespace kelvra
