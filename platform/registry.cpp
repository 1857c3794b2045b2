#include "platform/registry.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/env.h"
#include "platform/errors.h"

namespace kelvra {
namespace {

// Longest escaped name kept as one directory or file name; leaves room for
// the ".tmp" that a value replacement appends, within the usual 255 bytes.
constexpr size_t kMaxStoredNameLength = 250;

constexpr char kStringTag[] = "REG_SZ";
constexpr char kDwordTag[] = "REG_DWORD";

// Value files begin with '=', which escaping never leaves in a name, so a
// value never collides with a subkey. The default (unnamed) value is "=@";
// '@' too is always escaped.
constexpr char kValuePrefix[] = "=";
constexpr char kDefaultValueFile[] = "=@";

// Folds A-Z to a-z and keeps a-z, 0-9, '-' and '_'; every other byte
// becomes %XX. The result never holds '/', '.', NUL, '=' or '@', so it can
// neither leave its directory nor clash with the reserved names.
std::string EscapeName(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (const char ch : name) {
    const unsigned char u = static_cast<unsigned char>(ch);
    if (u >= 'A' && u <= 'Z') {
      out += static_cast<char>(u + ('a' - 'A'));
    } else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_') {
      out += ch;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0x0F];
    }
  }
  return out;
}

// The file of a value inside its key's directory; empty when the name is too
// long to store.
std::string ValueFileName(const std::string& name) {
  if (name.empty()) return kDefaultValueFile;
  std::string file = kValuePrefix + EscapeName(name);
  if (file.size() > kMaxStoredNameLength) return {};
  return file;
}

const char* RootKeyDirectory(RootKey root) {
  switch (root) {
    case RootKey::kLocalMachine:
      return "hkey_local_machine";
    case RootKey::kCurrentUser:
      break;
  }
  return "hkey_current_user";
}

// A directory entry that is a real directory (a symbolic link is not
// followed, so a planted link cannot lead a key out of the tree).
bool IsDirectoryNoFollow(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Walks from base through the escaped names in parts, creating what is
// missing when asked. The base is the registry root, which may itself be a
// link; nothing below it may be. False when a step is missing or not a
// directory.
bool WalkKey(const std::string& base, const std::vector<std::string>& parts, bool create,
             std::string* directory) {
  if (!IsDirectory(base)) {
    if (!create) return false;
    std::error_code ec;
    std::filesystem::create_directories(base, ec);
    if (!IsDirectory(base)) return false;
  }
  std::string path = base;
  for (const std::string& part : parts) {
    path += '/';
    path += part;
    if (create && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (!IsDirectoryNoFollow(path)) return false;
  }
  *directory = path;
  return true;
}

bool ParseDword(const std::string& text, uint32_t* value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t n = 0;
  for (const char ch : text) {
    if (ch < '0' || ch > '9') return false;
    n = n * 10 + static_cast<uint64_t>(ch - '0');
  }
  if (n > 0xFFFFFFFFULL) return false;
  *value = static_cast<uint32_t>(n);
  return true;
}

[[noreturn]] void RaiseInvalidType(const std::string& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

struct KeyLocation {
  std::string base;                // directory the walk starts from
  std::vector<std::string> parts;  // escaped names below it
  std::string shown;               // the key's path below the root key
  bool is_root_key = false;        // the path names the root key itself
};

// Splits key into escaped names. A leading backslash, or no open key, starts
// at the root key; a single trailing backslash is ignored. False for an empty
// name between backslashes or a name too long to store.
bool LocateKey(const std::string& key, const std::string& open_directory,
               const std::string& open_shown, RootKey root, KeyLocation* where) {
  std::string rest = key;
  const bool absolute = !rest.empty() && rest[0] == '\\';
  if (absolute) rest.erase(0, 1);
  if (!rest.empty() && rest.back() == '\\') rest.pop_back();

  if (absolute || open_directory.empty()) {
    where->base = RegistryRootDir();
    where->parts.assign(1, RootKeyDirectory(root));
    where->shown.clear();
  } else {
    where->base = open_directory;
    where->parts.clear();
    where->shown = open_shown;
  }
  if (rest.empty()) {
    where->is_root_key = absolute || open_directory.empty();
    return true;
  }
  size_t start = 0;
  for (;;) {
    const size_t end = rest.find('\\', start);
    const std::string name = rest.substr(start, end == std::string::npos ? end : end - start);
    if (name.empty()) return false;
    std::string escaped = EscapeName(name);
    if (escaped.size() > kMaxStoredNameLength) return false;
    where->parts.push_back(std::move(escaped));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  where->shown = where->shown.empty() ? rest : where->shown + "\\" + rest;
  return true;
}

}  // namespace

std::string RegistryRootDir() {
  const char* root = std::getenv("KELVRA_REGISTRY_ROOT");
  return (root != nullptr && *root != '\0') ? std::string(root) : kDefaultRegistryRoot;
}

Registry::Registry(uint32_t access) : access_(access) {}

Registry::~Registry() { CloseKey(); }

void Registry::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

void Registry::CloseKey() {
  open_path_.clear();
  current_path_.clear();
}

bool Registry::OpenKey(const std::string& key, bool can_create) {
  KeyLocation where;
  if (!LocateKey(key, open_path_, current_path_, root_, &where)) return false;
  std::string directory;
  if (!WalkKey(where.base, where.parts, false, &directory)) {
    if (!can_create || (access_ & kKeyCreateSubKey) == 0) return false;
    if (!WalkKey(where.base, where.parts, true, &directory)) return false;
  }
  open_path_ = directory;
  current_path_ = where.shown;
  return true;
}

bool Registry::KeyExists(const std::string& key) {
  KeyLocation where;
  std::string directory;
  return LocateKey(key, open_path_, current_path_, root_, &where) &&
         WalkKey(where.base, where.parts, false, &directory);
}

void Registry::CreateKey(const std::string& key) {
  KeyLocation where;
  std::string directory;
  if ((access_ & kKeyCreateSubKey) == 0 ||
      !LocateKey(key, open_path_, current_path_, root_, &where) ||
      !WalkKey(where.base, where.parts, true, &directory)) {
    throw ERegistryException("Failed to create key " + key);
  }
}

bool Registry::DeleteKey(const std::string& key) {
  if ((access_ & kKeyDelete) == 0) return false;
  KeyLocation where;
  std::string directory;
  if (!LocateKey(key, open_path_, current_path_, root_, &where) || where.is_root_key ||
      !WalkKey(where.base, where.parts, false, &directory)) {
    return false;
  }
  if (open_path_ == directory || open_path_.rfind(directory + "/", 0) == 0) CloseKey();
  // remove_all removes symbolic links themselves, never what they point to.
  std::error_code ec;
  std::filesystem::remove_all(directory, ec);
  return !ec && !IsDirectoryNoFollow(directory);
}

bool Registry::ReadValue(const std::string& name, ValueType* type, std::string* data) {
  if (open_path_.empty() || (access_ & kKeyQueryValue) == 0) return false;
  const std::string file = ValueFileName(name);
  if (file.empty()) return false;
  std::string contents;
  if (!GetEnv()->ReadFile(open_path_ + "/" + file, &contents)) return false;
  const size_t newline = contents.find('\n');
  if (newline == std::string::npos) return false;
  const std::string tag = contents.substr(0, newline);
  *data = contents.substr(newline + 1);
  if (tag == kStringTag) {
    *type = ValueType::kString;
    return true;
  }
  uint32_t ignored = 0;
  if (tag == kDwordTag && ParseDword(*data, &ignored)) {
    *type = ValueType::kDword;
    return true;
  }
  return false;  // not a value this registry wrote: treated as missing
}

ValueType Registry::GetDataType(const std::string& name) {
  ValueType type = ValueType::kNone;
  std::string data;
  return ReadValue(name, &type, &data) ? type : ValueType::kNone;
}

std::string Registry::ReadString(const std::string& name) {
  ValueType type = ValueType::kNone;
  std::string data;
  if (!ReadValue(name, &type, &data)) return {};
  if (type != ValueType::kString) RaiseInvalidType(name);
  return data;
}

uint32_t Registry::ReadInteger(const std::string& name) {
  ValueType type = ValueType::kNone;
  std::string data;
  uint32_t value = 0;
  if (!ReadValue(name, &type, &data) || type != ValueType::kDword || !ParseDword(data, &value))
    RaiseInvalidType(name);
  return value;
}

void Registry::WriteValue(const std::string& name, ValueType type, const std::string& data) {
  const std::string file = ValueFileName(name);
  const std::string contents =
      std::string(type == ValueType::kDword ? kDwordTag : kStringTag) + "\n" + data;
  if (open_path_.empty() || (access_ & kKeySetValue) == 0 || file.empty() ||
      !GetEnv()->ReplaceFile(open_path_ + "/" + file, contents)) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

void Registry::WriteString(const std::string& name, const std::string& value) {
  WriteValue(name, ValueType::kString, value);
}

void Registry::WriteInteger(const std::string& name, uint32_t value) {
  WriteValue(name, ValueType::kDword, std::to_string(value));
}

}  // namespace kelvra
