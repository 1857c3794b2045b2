// The chart's painting (drawing plus the RGB copy handed to the encoder)
// against the bare libjpeg encode of the same picture.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "monitor/usage_chart.h"
#include "platform/canvas.h"
#include "platform/jpeg_encoder.h"

namespace kelvra {
namespace {

constexpr int32_t kCurrentSlot = 150;
constexpr int64_t kMin = 30000000000;
constexpr int64_t kMax = 60000000000;

// A day of usage swinging around 45 GB, with a few missed slots.
std::array<int64_t, 288> SampleRing() {
  std::array<int64_t, 288> ring{};
  const double pi = std::acos(-1.0);
  for (int k = 0; k < 288; ++k)
    if (k % 50 != 7)
      ring[k] =
          static_cast<int64_t>(45e9 + 8e9 * std::sin(k * 2 * pi / 288) + 1e9 * std::sin(k * 0.3));
  return ring;
}

void BM_PaintChart(benchmark::State& state) {
  const std::array<int64_t, 288> ring = SampleRing();
  JpegEncoder encoder;
  for (auto _ : state) {
    // A fresh bitmap each time, as the chart step makes one per pass.
    Bitmap bitmap;
    PaintUsageChart(ring, kCurrentSlot, kMin, kMax, kMax - kMin, "Drive C: used space", bitmap);
    encoder.Assign(bitmap);
    benchmark::DoNotOptimize(encoder.Rgb().data());
  }
}
BENCHMARK(BM_PaintChart);

void BM_BareEncode(benchmark::State& state) {
  const std::array<int64_t, 288> ring = SampleRing();
  Bitmap bitmap;
  PaintUsageChart(ring, kCurrentSlot, kMin, kMax, kMax - kMin, "Drive C: used space", bitmap);
  JpegEncoder encoder;
  encoder.Assign(bitmap);
  JpegBuffer jpeg;
  for (auto _ : state) {
    CompressRgbToJpeg(encoder.Rgb().data(), bitmap.Width(), bitmap.Height(), &jpeg);
    benchmark::DoNotOptimize(jpeg.data());
  }
}
BENCHMARK(BM_BareEncode);

}  // namespace
}  // namespace kelvra
