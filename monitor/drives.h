#pragma once
// Drive letters on Linux. A drive letter names a directory: the folder
// "dosdevices" in the program's directory may hold symbolic links named
// like "d:" (either case) that point at mount points; without a link, C is
// the root file system. Drive number 0 is the current directory's file
// system. Any other letter addresses nothing.

#include <cstdint>
#include <string>

namespace kelvra {

// The character code of the first character of drive minus 64, so "C"
// gives 3; an empty text counts as the code 0.
int32_t DriveNumber(const std::string& drive);

// The directory a drive number addresses, by its low 8 bits: 0 is the
// current directory ("."), 1 to 26 are the letters A to Z. Empty when the
// number addresses no directory.
std::string DriveDirectory(int32_t drive_number);

// Total size and free space (the bytes the service's account may use) of
// the file system of a drive, in bytes; -1 when the drive cannot be
// queried. Each call queries anew. Never raises.
int64_t DiskSize(int32_t drive_number);
int64_t DiskFree(int32_t drive_number);

}  // namespace kelvra
