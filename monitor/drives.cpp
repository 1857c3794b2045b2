#include "monitor/drives.h"

#include <vector>

#include "platform/env.h"
#include "support/global_settings.h"

namespace kelvra {
namespace {

constexpr char kLinkFolder[] = "dosdevices/";

// The link for a letter in the link folder, lower-case name first; empty
// when neither form exists.
std::string LinkPath(char upper_letter) {
  const std::string folder = GetAppPath("") + kLinkFolder;
  const std::string lower_name = {static_cast<char>(upper_letter + 32), ':'};
  const std::string upper_name = {upper_letter, ':'};
  const std::vector<std::string> names = GetEnv()->FindFiles(folder, lower_name, "");
  for (const std::string& wanted : {lower_name, upper_name}) {
    for (const std::string& name : names)
      if (name == wanted) return folder + name;
  }
  return {};
}

DiskSpace QueryDrive(int32_t drive_number) {
  try {
    const std::string directory = DriveDirectory(drive_number);
    if (!directory.empty()) return GetEnv()->DiskSpaceAt(directory);
  } catch (...) {
    // A drive that cannot be queried reads as -1.
  }
  return DiskSpace{};
}

}  // namespace

int32_t DriveNumber(const std::string& drive) {
  const int32_t code = drive.empty() ? 0 : static_cast<unsigned char>(drive[0]);
  return code - 64;
}

std::string DriveDirectory(int32_t drive_number) {
  const int32_t low_bits = drive_number & 0xFF;
  if (low_bits == 0) return ".";
  if (low_bits > 26) return {};
  const char letter = static_cast<char>('@' + low_bits);
  const std::string link = LinkPath(letter);
  if (!link.empty()) return link;
  if (letter == 'C') return "/";
  return {};
}

int64_t DiskSize(int32_t drive_number) { return QueryDrive(drive_number).Total; }

int64_t DiskFree(int32_t drive_number) { return QueryDrive(drive_number).Free; }

}  // namespace kelvra
