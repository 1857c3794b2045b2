#include "platform/jpeg_encoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/canvas.h"
#include "platform/env.h"
#include "platform/errors.h"

namespace kelvra {

// Grants the libjpeg callbacks access to a JpegBuffer's storage.
struct JpegBufferAccess {
  static unsigned char*& Data(JpegBuffer& b) { return b.data_; }
  static size_t& Capacity(JpegBuffer& b) { return b.capacity_; }
  static size_t& Size(JpegBuffer& b) { return b.size_; }
};

namespace {

constexpr int kJpegQuality = 90;
constexpr size_t kInitialCapacity = 64 * 1024;

// libjpeg's error handler would print and exit(); this one keeps the
// message and jumps back to the compression call instead.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings are not worth a line on standard error in an unattended service.
void IgnoreMessage(j_common_ptr) {}

// A destination that writes into a JpegBuffer, doubling it when full.
// Failures go through error_exit, never through C++ exceptions, since they
// are raised inside libjpeg's C frames.
struct BufferDestination {
  jpeg_destination_mgr pub;
  JpegBuffer* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<BufferDestination*>(cinfo->dest);
  unsigned char*& data = JpegBufferAccess::Data(*dest->buffer);
  size_t& capacity = JpegBufferAccess::Capacity(*dest->buffer);
  if (data == nullptr) {
    data = static_cast<unsigned char*>(std::malloc(kInitialCapacity));
    if (data == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    capacity = kInitialCapacity;
  }
  dest->pub.next_output_byte = data;
  dest->pub.free_in_buffer = capacity;
}

boolean GrowDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<BufferDestination*>(cinfo->dest);
  unsigned char*& data = JpegBufferAccess::Data(*dest->buffer);
  size_t& capacity = JpegBufferAccess::Capacity(*dest->buffer);
  // libjpeg calls this only when the whole buffer is used.
  auto* grown = static_cast<unsigned char*>(std::realloc(data, capacity * 2));
  if (grown == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
  data = grown;
  dest->pub.next_output_byte = data + capacity;
  dest->pub.free_in_buffer = capacity;
  capacity *= 2;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<BufferDestination*>(cinfo->dest);
  JpegBufferAccess::Size(*dest->buffer) =
      JpegBufferAccess::Capacity(*dest->buffer) - dest->pub.free_in_buffer;
}

// Holds only plain data, so that the jump back from libjpeg skips no
// destructor. False with the message in errors->message on failure.
bool Compress(const uint8_t* rgb, int width, int height, BufferDestination* dest,
              ErrorManager* errors) {
  jpeg_compress_struct cinfo;
  cinfo.err = jpeg_std_error(&errors->pub);
  errors->pub.error_exit = JumpOnError;
  errors->pub.output_message = IgnoreMessage;
  if (setjmp(errors->jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = GrowDestination;
  dest->pub.term_destination = TermDestination;
  cinfo.dest = &dest->pub;

  cinfo.image_width = static_cast<JDIMENSION>(width < 0 ? 0 : width);
  cinfo.image_height = static_cast<JDIMENSION>(height < 0 ? 0 : height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    // libjpeg reads the rows but its interface is not const.
    JSAMPROW row = const_cast<JSAMPROW>(rgb + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// The palette in RGB bytes: one pixel as R, G, B, 0 and eight pixels of
// one colour as 24 bytes.
struct PaletteBytes {
  uint32_t pixel[256];
  uint8_t eight[256][24];
};

const PaletteBytes& PaletteBytesTable() {
  static const PaletteBytes table = [] {
    PaletteBytes bytes{};
    for (int i = 0; i < 256; ++i) {
      const Color c = Bitmap::PaletteColor(static_cast<uint8_t>(i));
      const uint8_t rgb[4] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                              static_cast<uint8_t>(c), 0};
      std::memcpy(&bytes.pixel[i], rgb, 4);
      for (int k = 0; k < 8; ++k) std::memcpy(&bytes.eight[i][3 * k], rgb, 3);
    }
    return bytes;
  }();
  return table;
}

}  // namespace

JpegBuffer::~JpegBuffer() { std::free(data_); }

void CompressRgbToJpeg(const uint8_t* rgb, int width, int height, JpegBuffer* out) {
  JpegBufferAccess::Size(*out) = 0;
  BufferDestination dest{};
  dest.buffer = out;
  ErrorManager errors{};
  if (!Compress(rgb, width, height, &dest, &errors)) {
    JpegBufferAccess::Size(*out) = 0;
    throw EInOutError(std::string("JPEG compression failed: ") + errors.message);
  }
}

JpegEncoder::JpegEncoder() = default;
JpegEncoder::~JpegEncoder() = default;

void JpegEncoder::Assign(const Bitmap& bitmap) {
  width_ = bitmap.Width();
  height_ = bitmap.Height();
  const size_t pixel_count = static_cast<size_t>(width_) * height_;
  rgb_.resize(pixel_count * 3);
  if (pixel_count == 0) return;

  const PaletteBytes& palette = PaletteBytesTable();
  const uint8_t* source = bitmap.Pixels();
  uint8_t* target = rgb_.data();
  size_t i = 0;
  // Blocks of eight pixels; a block of one colour, common in a picture of
  // plain areas, takes its 24 bytes ready made. A pixel alone is written as
  // four bytes, the fourth overwritten by the next pixel (one store instead
  // of three), so the last pixel is left for the tail.
  for (; i + 9 <= pixel_count; i += 8, target += 24) {
    uint64_t block;
    std::memcpy(&block, source + i, 8);
    if (block == (block & 0xFF) * 0x0101010101010101ULL) {
      std::memcpy(target, palette.eight[block & 0xFF], 24);
    } else {
      for (int k = 0; k < 8; ++k) std::memcpy(target + 3 * k, &palette.pixel[source[i + k]], 4);
    }
  }
  for (; i + 1 < pixel_count; ++i, target += 3) std::memcpy(target, &palette.pixel[source[i]], 4);
  std::memcpy(target, &palette.pixel[source[pixel_count - 1]], 3);
}

void JpegEncoder::SaveToFile(const std::string& file_name) {
  CompressRgbToJpeg(rgb_.data(), width_, height_, &jpeg_);
  const std::string_view bytes(reinterpret_cast<const char*>(jpeg_.data()), jpeg_.size());
  if (!GetEnv()->ReplaceFile(file_name, bytes))
    throw EInOutError("Cannot write the file " + file_name);
}

}  // namespace kelvra
