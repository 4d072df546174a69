// Registry-style calls on the settings hive files, and the per-user store.
#include "platform/settings_hive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "core/com_error.h"
#include "platform/files.h"
#include "platform/settings_file.h"

namespace platform {
namespace {

using settings::SettingsFile;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;

struct OpenKey {
  HKEY root;
  std::string path;  // normalised
  REGSAM access;
};

// Open keys of the whole process: handles may move between threads as
// registry handles do.
std::mutex g_keys_mutex;
std::map<uint32_t, OpenKey> g_keys;
uint32_t g_next_handle = 1;

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

std::string Dirname(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsRoot(HKEY key) { return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER; }

std::string RootFile(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? MachineHivePath() : UserSettingsPath();
}

// The root and full path that `key` + `subkey` name; false for a bad handle.
bool Resolve(HKEY key, const char* subkey, OpenKey* out) {
  const std::string sub = subkey ? subkey : "";
  if (IsRoot(key)) {
    *out = OpenKey{key, settings::NormaliseKeyPath(sub), 0};
    return true;
  }
  std::lock_guard lock(g_keys_mutex);
  const auto it = g_keys.find(static_cast<uint32_t>(key));
  if (it == g_keys.end()) return false;
  *out = OpenKey{it->second.root, settings::NormaliseKeyPath(it->second.path + "\\" + sub), 0};
  return true;
}

bool Lookup(HKEY key, OpenKey* out) {
  std::lock_guard lock(g_keys_mutex);
  const auto it = g_keys.find(static_cast<uint32_t>(key));
  if (it == g_keys.end()) return false;
  *out = it->second;
  return true;
}

HKEY AddHandle(const OpenKey& key) {
  std::lock_guard lock(g_keys_mutex);
  while (g_next_handle == 0 || g_keys.count(g_next_handle) ||
         IsRoot(static_cast<HKEY>(g_next_handle))) {
    ++g_next_handle;
  }
  const uint32_t handle = g_next_handle++;
  g_keys[handle] = key;
  return static_cast<HKEY>(handle);
}

bool Accessible(const std::string& path, int mode) {
  return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// Writing replaces the file through a new file in its folder, so both the
// folder and an existing file must be writable.
bool Writable(const std::string& file) {
  if (!Accessible(Dirname(file), W_OK | X_OK)) return false;
  return !Accessible(file, F_OK) || Accessible(file, R_OK | W_OK);
}

bool ValidAppName(const std::string& app) {
  if (app.empty()) return false;
  for (const char c : app) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::string Folded(const std::string& text, bool upper) {
  std::string out = text;
  for (char& c : out) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// APP_USER_SETTINGS, else $XDG_CONFIG_HOME/app/settings.ini (app in lower
// case), else ~/.config/app/settings.ini; "" when there is no home.
std::string UserStorePath(const std::string& app) {
  if (!ValidAppName(app)) return "";
  std::string explicit_path = EnvOr((Folded(app, true) + "_USER_SETTINGS").c_str(), "");
  if (!explicit_path.empty()) return explicit_path;
  std::string config = EnvOr("XDG_CONFIG_HOME", "");
  if (config.empty()) {
    const std::string home = EnvOr("HOME", "");
    if (home.empty()) return "";
    config = JoinPath(home, ".config");
  }
  return JoinPath(JoinPath(config, Folded(app, false)), "settings.ini");
}

void MakeFolders(const std::string& folder) {
  if (folder.empty() || Accessible(folder, F_OK)) return;
  MakeFolders(Dirname(folder));
  if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
    throw core::ComError(
        75, "Cannot create the settings folder '" + folder + "': " + std::strerror(errno));
  }
}

}  // namespace

std::string MachineHivePath() {
  return EnvOr("QUELLORY_MACHINE_SETTINGS", "/etc/quellory/registry.ini");
}

std::string UserSettingsPath() { return UserStorePath("Quellory"); }

LONG RegOpenKeyExA(HKEY root, const char* subkey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = HKEY{};
  OpenKey key;
  if (subkey && !settings::ValidKeyPath(subkey)) return ERROR_INVALID_PARAMETER;
  if (!Resolve(root, subkey, &key)) return ERROR_INVALID_HANDLE;
  key.access = access;
  const std::string file_path = RootFile(key.root);
  if (file_path.empty()) return ERROR_FILE_NOT_FOUND;
  SettingsFile file;
  if (const LONG status = settings::LoadSettingsFile(file_path, &file); status != ERROR_SUCCESS) {
    return status;
  }
  if (!file.HasKey(key.path)) return ERROR_FILE_NOT_FOUND;
  if ((access & kWriteRights) && !Writable(file_path)) return ERROR_ACCESS_DENIED;
  *result = AddHandle(key);
  return ERROR_SUCCESS;
}

bool HiveWritableAndReadable(HKEY root) {
  if (!IsRoot(root)) return false;
  const std::string file_path = RootFile(root);
  if (file_path.empty() || !Accessible(Dirname(file_path), F_OK)) return false;
  if (!Writable(file_path)) return false;
  SettingsFile file;
  return settings::LoadSettingsFile(file_path, &file) == ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hkey, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size) {
  if (reserved) return ERROR_INVALID_PARAMETER;
  if (data && !size) return ERROR_INVALID_PARAMETER;
  OpenKey key;
  if (!Lookup(hkey, &key)) return ERROR_INVALID_HANDLE;
  if (!(key.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  SettingsFile file;
  if (const LONG status = settings::LoadSettingsFile(RootFile(key.root), &file);
      status != ERROR_SUCCESS) {
    return status;
  }
  const auto value = file.Find(key.path, name ? name : "");
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  const auto needed = static_cast<DWORD>(value->data.size());
  if (!size) return ERROR_SUCCESS;
  if (!data) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::copy_n(value->data.data(), needed, reinterpret_cast<char*>(data));
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegCreateKeyA(HKEY root, const char* subkey, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = HKEY{};
  OpenKey key;
  if (subkey && !settings::ValidKeyPath(subkey)) return ERROR_INVALID_PARAMETER;
  if (!Resolve(root, subkey, &key)) return ERROR_INVALID_HANDLE;
  key.access = KEY_ALL_ACCESS;
  const std::string file_path = RootFile(key.root);
  if (file_path.empty() || !Accessible(Dirname(file_path), F_OK)) return ERROR_PATH_NOT_FOUND;
  if (!Writable(file_path)) return ERROR_ACCESS_DENIED;
  SettingsFile file;
  if (const LONG status = settings::LoadSettingsFile(file_path, &file); status != ERROR_SUCCESS) {
    return status;
  }
  if (!file.HasKey(key.path)) {
    const LONG status = settings::UpdateSettingsFile(file_path, [&](SettingsFile& f) {
      if (!f.HasKey(key.path)) f.AddKey(key.path);
    });
    if (status != ERROR_SUCCESS) return status;
  }
  *result = AddHandle(key);
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hkey, const char* name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  OpenKey key;
  if (!Lookup(hkey, &key)) return ERROR_INVALID_HANDLE;
  if (!(key.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (size > 0 && !data) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && size != 4) return ERROR_INVALID_PARAMETER;
  settings::Value value{type, std::string(reinterpret_cast<const char*>(data), size)};
  const std::string value_name = name ? name : "";
  return settings::UpdateSettingsFile(RootFile(key.root),
                                      [&](SettingsFile& f) { f.Set(key.path, value_name, value); });
}

LONG RegCloseKey(HKEY hkey) {
  if (IsRoot(hkey)) return ERROR_SUCCESS;
  std::lock_guard lock(g_keys_mutex);
  return g_keys.erase(static_cast<uint32_t>(hkey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& default_value) {
  const std::string path = UserStorePath(app);
  if (path.empty()) return default_value;
  SettingsFile file;
  if (settings::LoadSettingsFile(path, &file) != ERROR_SUCCESS) return default_value;
  const auto value = file.Find(settings::NormaliseKeyPath(section), key);
  if (!value) return default_value;
  if (value->type == REG_SZ) return value->data;
  if (value->type == REG_DWORD && value->data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) {
      n = n << 8 | static_cast<unsigned char>(value->data[static_cast<size_t>(i)]);
    }
    return std::to_string(static_cast<int32_t>(n));
  }
  return default_value;
}

void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
  const std::string path = UserStorePath(app);
  if (path.empty()) {
    throw core::ComError(core::kErrInvalidCall, "No per-user settings store for the application '" + app + "'");
  }
  if (!settings::ValidKeyPath(section)) {
    throw core::ComError(core::kErrInvalidCall,
                         "Invalid settings section name (control characters): '" + section + "'");
  }
  MakeFolders(Dirname(path));
  const std::string key_path = settings::NormaliseKeyPath(section);
  const LONG status = settings::UpdateSettingsFile(path, [&](SettingsFile& f) {
    f.Set(key_path, key, settings::Value{REG_SZ, value});
  });
  if (status != ERROR_SUCCESS) {
    throw core::ComError(
        75,
        "Cannot write the settings file '" + path + "' (" +
            (status == ERROR_ACCESS_DENIED ? "access denied" : "error " + std::to_string(status)) +
            ")");
  }
}

}  // namespace platform
