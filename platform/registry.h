#pragma once
// A small persistent registry: keys named by backslash-separated paths under
// a few root keys, each key holding named, typed values (text and 32-bit
// numbers) and a default value with the empty name. Key and value names are
// compared without regard to the letter case of a to z.
//
// On disk, under the registry root directory (KELVRA_REGISTRY_ROOT when that
// environment variable is set and not empty, else kDefaultRegistryRoot), each
// root key and each key is a directory and each value a small file holding a
// type line and the data. Names are escaped so that no name can leave the
// root. A value is replaced whole or not at all.
//
// A Registry object is used by one thread at a time; several objects may
// work on the same tree.

#include <cstdint>
#include <string>

namespace kelvra {

constexpr char kDefaultRegistryRoot[] = "/var/lib/kelvra/registry";

// Access rights, with the values the platform's registry uses.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyDelete = 0x10000;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;

enum class RootKey { kCurrentUser, kLocalMachine };

enum class ValueType { kNone, kString, kDword };

// The registry root directory in use now (read from the environment at
// every call).
std::string RegistryRootDir();

class Registry {
 public:
  // A registry object with the given access rights, its root key
  // HKEY_CURRENT_USER and no key open.
  explicit Registry(uint32_t access = kKeyAllAccess);
  // Closes any open key.
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // Closes any open key and selects the root key that paths start from.
  void SetRootKey(RootKey root);

  // Makes key the open key. A path that begins with a backslash starts at
  // the root key; any other path starts at the open key (or the root key when
  // none is open). With can_create, missing keys along the path are created
  // (which needs kKeyCreateSubKey). False, with the previous key still open,
  // when the key is missing or the path is not a valid key path (an empty
  // name between backslashes, a name too long to store).
  bool OpenKey(const std::string& key, bool can_create);

  // Whether the key exists (path as for OpenKey).
  bool KeyExists(const std::string& key);

  // Creates the key and any missing keys along its path. Raises
  // ERegistryException "Failed to create key <key>" when it cannot.
  void CreateKey(const std::string& key);

  // Deletes the key with all its values and subkeys (path as for OpenKey;
  // the root key itself cannot be deleted). Closes the open key when it lies
  // inside. False when the key is missing or cannot be deleted entirely.
  bool DeleteKey(const std::string& key);

  // Forgets the open key.
  void CloseKey();

  bool HasOpenKey() const { return !open_path_.empty(); }

  // The open key's path below the root key, without leading backslash, as
  // handed in (letter case kept); empty when none is open.
  const std::string& CurrentPath() const { return current_path_; }

  // The type of a value of the open key; kNone when it or the key is missing.
  ValueType GetDataType(const std::string& name);
  bool ValueExists(const std::string& name) { return GetDataType(name) != ValueType::kNone; }

  // The text of a value of the open key; empty when the value is missing.
  // Raises ERegistryException "Invalid data type for '<name>'" when it holds
  // another type.
  std::string ReadString(const std::string& name);

  // The number held by a DWORD value. Raises ERegistryException "Invalid data
  // type for '<name>'" when it is missing or holds another type.
  uint32_t ReadInteger(const std::string& name);

  // Replace or create a value of the open key, whole or not at all. Raise
  // ERegistryException "Failed to set data for '<name>'" when no key is open,
  // the access rights lack kKeySetValue, the name cannot be stored or the
  // file cannot be written (the old value is then left as it was).
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, uint32_t value);

 private:
  void WriteValue(const std::string& name, ValueType type, const std::string& data);
  // Reads a value of the open key; false when missing or unreadable.
  bool ReadValue(const std::string& name, ValueType* type, std::string* data);

  uint32_t access_;
  RootKey root_ = RootKey::kCurrentUser;
  std::string open_path_;     // directory of the open key
  std::string current_path_;  // its path as handed in
};

}  // namespace kelvra
