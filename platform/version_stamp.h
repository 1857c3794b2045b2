#pragma once
// The file version that the build stamps into the executable, in an ELF
// section of its own, and the reader that finds it again in a file on disk.

#include <array>
#include <cstdint>
#include <string>

namespace kelvra {

// Reads the version stamp of an ELF file: four 16-bit numbers, most
// significant first. False when the file cannot be read or carries none.
bool ReadFileVersionStamp(const std::string& path, std::array<uint16_t, 4>* version);

// The version stamped into this build.
std::array<uint16_t, 4> BuildVersion();

}  // namespace kelvra
