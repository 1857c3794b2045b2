#pragma once
// The check pass's JPEG encoder: takes a copy of a palette bitmap as RGB and
// saves it as a baseline, full-colour JPEG of quality 90 through libjpeg.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvra {

class Bitmap;

// Compressed JPEG bytes in a buffer that grows as needed and is kept for the
// next compression.
class JpegBuffer {
 public:
  JpegBuffer() = default;
  ~JpegBuffer();
  JpegBuffer(const JpegBuffer&) = delete;
  JpegBuffer& operator=(const JpegBuffer&) = delete;

  const unsigned char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  friend struct JpegBufferAccess;
  unsigned char* data_ = nullptr;  // from malloc: libjpeg's callbacks grow it
  size_t capacity_ = 0;
  size_t size_ = 0;
};

// Compresses width x height RGB pixels (three bytes each, rows top down, no
// padding) into out, replacing what it held: quality 90, full colour,
// baseline, libjpeg's other defaults. Raises EInOutError with libjpeg's
// message when libjpeg fails (an empty picture, no memory); out is then
// empty.
void CompressRgbToJpeg(const uint8_t* rgb, int width, int height, JpegBuffer* out);

class JpegEncoder {
 public:
  JpegEncoder();
  ~JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;

  // Takes a copy of the bitmap's pixels, expanded to RGB. The buffers are
  // kept and reused by the next Assign.
  void Assign(const Bitmap& bitmap);
  // Compresses the copy and writes it to the file whole (a temporary file
  // renamed over the old one). Raises EInOutError when it cannot, also
  // when nothing (or an empty bitmap) was assigned.
  void SaveToFile(const std::string& file_name);

  // The RGB copy taken by the last Assign.
  const std::vector<uint8_t>& Rgb() const { return rgb_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> rgb_;
  JpegBuffer jpeg_;
};

}  // namespace kelvra
