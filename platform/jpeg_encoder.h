#pragma once
// The check pass's JPEG encoder: takes a copy of a palette bitmap as RGB and
// saves it as a baseline, full-colour JPEG of quality 90 through libjpeg.

#include <string>

namespace kelvra {

class Bitmap;

class JpegEncoder {
 public:
  JpegEncoder();
  ~JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;

  // Takes a copy of the bitmap's pixels, expanded to RGB.
  void Assign(const Bitmap& bitmap);
  // Compresses the copy and writes it to the file whole (a temporary file
  // renamed over the old one). Raises EInOutError when it cannot.
  void SaveToFile(const std::string& file_name);
};

}  // namespace kelvra
