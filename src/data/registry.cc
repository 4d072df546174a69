// The host's settings: the machine hive when this thread may use it,
// otherwise the per-user store, with the command line's overrides first.
#include "data/registry.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace Registry {
namespace {

constexpr char kAppName[] = "Quellory";
constexpr char kMachineKey[] = "SOFTWARE\\Quellory";
constexpr char kNullText[] = "vbNullString";
// Read control with query, set, create-subkey, enumerate, notify and
// create-link rights: write rights are asked for even for reading, so a user
// who may not write the machine hive does not read it either.
constexpr platform::REGSAM kOpenAccess = 0x2003F;
constexpr platform::DWORD kValueBufferSize = 1024;

// 0 untested, 1 usable, 2 not usable; tested once per thread.
thread_local int32_t RegState = 0;

std::mutex g_overrides_mutex;
std::map<std::pair<std::string, std::string>, std::string> g_overrides;

std::string Lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool FindOverride(const std::string& section, const std::string& key, std::string* value) {
  std::lock_guard lock(g_overrides_mutex);
  const auto it = g_overrides.find({Lowered(section), Lowered(key)});
  if (it == g_overrides.end()) return false;
  *value = it->second;
  return true;
}

}  // namespace

std::string GetRegSetting(const std::string& section, const std::string& key,
                          const std::string& default_value) {
  std::string result;
  if (FindOverride(section, key, &result)) {
    // answered as given
  } else if (RegistryUsable()) {
    // A value missing from the machine hive is not looked for in the
    // per-user store: the machine hive is the one source when usable.
    if (!RegReadString(platform::HKEY_LOCAL_MACHINE, std::string(kMachineKey) + "\\" + section, key,
                       result)) {
      result = default_value;
    }
  } else {
    result = platform::GetSetting(kAppName, section, key, default_value);
  }
  if (result == kNullText) result.clear();
  return result;
}

bool RegistryUsable() {
  if (RegState == 1) return true;
  if (RegState == 2) return false;
  // Writing a test value and reading it back would rewrite the machine-wide
  // file on every run; its permissions give the same answer without writing.
  RegState = platform::HiveWritableAndReadable(platform::HKEY_LOCAL_MACHINE) ? 1 : 2;
  return RegState == 1;
}

bool RegReadString(platform::HKEY root, const std::string& subkey, const std::string& value_name,
                   std::string& value) {
  platform::HKEY key{};
  if (platform::RegOpenKeyExA(root, subkey.c_str(), 0, kOpenAccess, &key) !=
      platform::ERROR_SUCCESS) {
    value.clear();
    return false;
  }
  std::vector<platform::BYTE> buffer(kValueBufferSize);
  platform::DWORD type = 0;
  platform::DWORD size = kValueBufferSize;
  if (platform::RegQueryValueExA(key, value_name.c_str(), nullptr, &type, buffer.data(), &size) !=
      platform::ERROR_SUCCESS) {
    platform::RegCloseKey(key);
    value.clear();
    return false;
  }
  size_t length = size;
  if (length >= 1 && buffer[length - 1] == 0) --length;
  if (type == platform::REG_SZ) {
    value.assign(reinterpret_cast<const char*>(buffer.data()), length);
  } else if (type == platform::REG_DWORD) {
    uint32_t number = 0;
    for (size_t i = 4; i-- > 0;) number = number << 8 | buffer[i];
    value = std::to_string(static_cast<int32_t>(number));
  }
  platform::RegCloseKey(key);
  return true;
}

int32_t RegWriteString(platform::HKEY root, const std::string& subkey,
                       const std::string& value_name, const std::string& value) {
  platform::HKEY key{};
  if (const auto status = platform::RegCreateKeyA(root, subkey.c_str(), &key);
      status != platform::ERROR_SUCCESS) {
    return status;
  }
  const auto set_status =
      platform::RegSetValueExA(key, value_name.c_str(), 0, platform::REG_SZ,
                               reinterpret_cast<const platform::BYTE*>(value.data()),
                               static_cast<platform::DWORD>(value.size()));
  const auto close_status = platform::RegCloseKey(key);
  return set_status != platform::ERROR_SUCCESS ? set_status : close_status;
}

void SetOverride(const std::string& section, const std::string& key, const std::string& value) {
  std::lock_guard lock(g_overrides_mutex);
  g_overrides[{Lowered(section), Lowered(key)}] = value;
}

void ClearOverride(const std::string& section, const std::string& key) {
  std::lock_guard lock(g_overrides_mutex);
  g_overrides.erase({Lowered(section), Lowered(key)});
}

void ClearOverrides() {
  std::lock_guard lock(g_overrides_mutex);
  g_overrides.clear();
}

}  // namespace Registry
