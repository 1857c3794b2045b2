// Placeholder: replaced by the libjpeg encoder.
#include "platform/jpeg_encoder.h"

namespace kelvra {
JpegEncoder::JpegEncoder() = default;
JpegEncoder::~JpegEncoder() = default;
void JpegEncoder::Assign(const Bitmap&) {}
void JpegEncoder::SaveToFile(const std::string&) {}
}  // namespace kelvra
