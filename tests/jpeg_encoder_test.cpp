#include "platform/jpeg_encoder.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "monitor/usage_chart.h"
#include "platform/canvas.h"
#include "platform/errors.h"
#include "tests/test_support.h"

namespace kelvra {
namespace {

struct Decoded {
  bool ok = false;
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
  std::vector<uint8_t> rgb;
};

struct DecodeErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->jump, 1);
}

// Only plain data in this frame: libjpeg's errors jump back into it.
bool DecodeInto(const std::string& bytes, Decoded* out) {
  jpeg_decompress_struct cinfo;
  DecodeErrors errors;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpBack;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  out->width = static_cast<int>(cinfo.image_width);
  out->height = static_cast<int>(cinfo.image_height);
  out->components = cinfo.num_components;
  out->progressive = cinfo.progressive_mode;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->rgb.data() + static_cast<size_t>(cinfo.output_scanline) * out->width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

Decoded Decode(const std::string& bytes) {
  Decoded decoded;
  decoded.ok = DecodeInto(bytes, &decoded);
  return decoded;
}

// The centre of the first 9 x 9 square of the bitmap painted all in colour.
bool FindPlainSquare(const Bitmap& bitmap, Color color, int* cx, int* cy) {
  for (int y = 4; y + 4 < bitmap.Height(); ++y) {
    for (int x = 4; x + 4 < bitmap.Width(); ++x) {
      bool plain = true;
      for (int dy = -4; dy <= 4 && plain; ++dy)
        for (int dx = -4; dx <= 4 && plain; ++dx)
          plain = bitmap.PixelColor(x + dx, y + dy) == color;
      if (plain) {
        *cx = x;
        *cy = y;
        return true;
      }
    }
  }
  return false;
}

using JpegEncoderTest = testing_support::KelvraTest;

TEST_F(JpegEncoderTest, AssignExpandsThePaletteToRgb) {
  Bitmap bitmap(5, 1);
  Canvas canvas(bitmap);
  const Color colors[] = {kBlack, kYellow, kSilver, kGreen, kRed};
  for (int x = 0; x < 5; ++x) {
    canvas.SetPen(colors[x], PenStyle::kSolid);
    canvas.MoveTo(x, 0);
    canvas.LineTo(x + 1, 0);
  }
  JpegEncoder encoder;
  encoder.Assign(bitmap);
  const std::vector<uint8_t> expected = {0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xC0, 0xC0,
                                         0xC0, 0x00, 0x80, 0x00, 0xFF, 0x00, 0x00};
  EXPECT_EQ(encoder.Rgb(), expected);

  // Plain stretches and mixed ones, of lengths that do not divide evenly.
  Bitmap picture(37, 5);
  Canvas painter(picture);
  painter.SetBrush(kYellow, BrushStyle::kSolid);
  painter.FloodFill(0, 0, kBlack);
  for (int x = 3; x < 37; x += 11) {
    painter.SetPen(colors[x % 5], PenStyle::kSolid);
    painter.MoveTo(x, 0);
    painter.LineTo(x, 5);
    painter.MoveTo(x + 1, 2);
    painter.LineTo(x + 3, 2);
  }
  encoder.Assign(picture);
  std::vector<uint8_t> pixels;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 37; ++x) {
      const Color c = picture.PixelColor(x, y);
      pixels.insert(pixels.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                   static_cast<uint8_t>(c)});
    }
  }
  EXPECT_EQ(encoder.Rgb(), pixels);
}

// The saved chart is a baseline colour JPEG of the picture: large plain
// areas keep their colours within the losses of compression.
TEST_F(JpegEncoderTest, SavedChartDecodesToThePicture) {
  std::array<int64_t, 288> ring;
  ring.fill(1500);
  const std::string file = ProgramPath("chart.jpg");
  WriteProgramFile("chart.jpg", "an older chart");
  JpegEncoder encoder;
  DrawUsageChart(ring, 150, 1000, 2000, 1000, "Title", file, encoder);

  const Decoded decoded = Decode(ReadProgramFile("chart.jpg"));
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.width, 500);
  EXPECT_EQ(decoded.height, 135);
  EXPECT_EQ(decoded.components, 3);
  EXPECT_FALSE(decoded.progressive);

  Bitmap painted;
  PaintUsageChart(ring, 150, 1000, 2000, 1000, "Title", painted);
  for (const Color color : {kYellow, kSilver, kGreen}) {
    int x = 0;
    int y = 0;
    ASSERT_TRUE(FindPlainSquare(painted, color, &x, &y)) << std::hex << color;
    const uint8_t* rgb = &decoded.rgb[(static_cast<size_t>(y) * 500 + x) * 3];
    const int expected[3] = {static_cast<int>(color >> 16), static_cast<int>((color >> 8) & 0xFF),
                             static_cast<int>(color & 0xFF)};
    for (int channel = 0; channel < 3; ++channel)
      EXPECT_NEAR(rgb[channel], expected[channel], 12)
          << std::hex << color << std::dec << " at " << x << "," << y << " channel " << channel;
  }
  // The file was replaced whole: no temporary file stays beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(JpegEncoderTest, FailuresRaiseInOutError) {
  Bitmap chart;
  PaintUsageChart({}, 0, -1, 0, 1, "", chart);
  struct Case {
    const char* what;
    bool assign;
    std::string file;
  };
  const Case cases[] = {
      {"nothing assigned", false, ProgramPath("chart.jpg")},
      {"missing directory", true, ProgramPath("missing/chart.jpg")},
      {"empty name", true, ""},
  };
  for (const Case& c : cases) {
    JpegEncoder encoder;
    if (c.assign) encoder.Assign(chart);
    EXPECT_THROW(encoder.SaveToFile(c.file), EInOutError) << c.what;
    EXPECT_FALSE(ProgramFileExists("chart.jpg")) << c.what;
  }
  // An encoder that failed inside libjpeg works for the next picture.
  JpegEncoder encoder;
  EXPECT_THROW(encoder.SaveToFile(ProgramPath("chart.jpg")), EInOutError);
  encoder.Assign(chart);
  encoder.SaveToFile(ProgramPath("chart.jpg"));
  EXPECT_TRUE(Decode(ReadProgramFile("chart.jpg")).ok);
}

TEST_F(JpegEncoderTest, DrawUsageChartSwallowsAFailedSave) {
  JpegEncoder encoder;
  EXPECT_NO_THROW(DrawUsageChart({}, 0, -1, 0, 1, "", ProgramPath("missing/chart.jpg"), encoder));
  EXPECT_FALSE(std::filesystem::exists(ProgramPath("missing")));
}

}  // namespace
}  // namespace kelvra
