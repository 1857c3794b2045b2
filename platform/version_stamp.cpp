#include "platform/version_stamp.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace kelvra {
namespace {

constexpr char kSectionName[] = ".kelvra_version";
constexpr uint32_t kMagic = 0x5245564b;  // "KVER" read as little-endian

struct VersionStamp {
  uint32_t magic;
  uint16_t numbers[4];
};

}  // namespace

// The stamp itself; "used" keeps it in the executable although nothing
// refers to it.
__attribute__((used, retain, section(".kelvra_version"))) const VersionStamp kBuildVersionStamp = {
    kMagic,
    {KELVRA_VERSION_MAJOR, KELVRA_VERSION_MINOR, KELVRA_VERSION_PATCH, KELVRA_VERSION_TWEAK}};

std::array<uint16_t, 4> BuildVersion() {
  return {kBuildVersionStamp.numbers[0], kBuildVersionStamp.numbers[1],
          kBuildVersionStamp.numbers[2], kBuildVersionStamp.numbers[3]};
}

namespace {

// Reads exactly size bytes at offset; false on a short read or an error.
bool ReadAt(int fd, uint64_t offset, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, size - done,
                              static_cast<off_t>(offset + done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReadStamp(int fd, std::array<uint16_t, 4>* version);

}  // namespace

bool ReadFileVersionStamp(const std::string& path, std::array<uint16_t, 4>* version) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ReadStamp(fd, version);
  ::close(fd);
  return ok;
}

namespace {

bool ReadStamp(int fd, std::array<uint16_t, 4>* version) {
  Elf64_Ehdr header{};
  if (!ReadAt(fd, 0, &header, sizeof header)) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shnum == 0 || header.e_shnum > 4096 ||
      header.e_shstrndx >= header.e_shnum)
    return false;
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  if (!ReadAt(fd, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr)))
    return false;
  const Elf64_Shdr& names = sections[header.e_shstrndx];
  if (names.sh_size == 0 || names.sh_size > (1u << 20)) return false;
  std::vector<char> name_table(names.sh_size + 1, '\0');
  if (!ReadAt(fd, names.sh_offset, name_table.data(), names.sh_size)) return false;
  for (const Elf64_Shdr& section : sections) {
    if (section.sh_name >= names.sh_size) continue;
    if (std::strcmp(&name_table[section.sh_name], kSectionName) != 0) continue;
    if (section.sh_size < sizeof(VersionStamp)) return false;
    VersionStamp stamp{};
    if (!ReadAt(fd, section.sh_offset, &stamp, sizeof stamp)) return false;
    if (stamp.magic != kMagic) return false;
    for (int i = 0; i < 4; ++i) (*version)[static_cast<size_t>(i)] = stamp.numbers[i];
    return true;
  }
  return false;
}

}  // namespace
}  // namespace kelvra
