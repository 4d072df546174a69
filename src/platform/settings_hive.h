// The settings hive that stands in for the host's registry: the machine-wide
// hive file and the per-user store, reached through registry-style calls.
//
// Machine-wide: /etc/quellory/registry.ini (or QUELLORY_MACHINE_SETTINGS), one
// INI section per key path ("[SOFTWARE\Quellory\Settings]"), values
// "name=text" or "name=dword:00000105" ("hex:01,ff" for binary data). Text that
// would not read back as written is quoted: name="a\nb" with C escapes.
// Per-user: $XDG_CONFIG_HOME/quellory/settings.ini (default ~/.config/...,
// or QUELLORY_USER_SETTINGS), sections "[Settings]", "[Configure]", "[Mail]".
// HKEY_CURRENT_USER reaches the per-user store, its key paths being sections.
//
// Key paths, value names and sections compare without regard to letter case.
// Malformed lines are skipped when reading and kept verbatim when writing.
// Reading never writes. Every write is a read-modify-write under an exclusive
// lock on the file's folder, then an atomic replacement that keeps the
// file's line ends, comments and other lines, so concurrent writers lose no
// entry and nothing is left beside the file.
#ifndef DUNMERROW_PLATFORM_SETTINGS_HIVE_H_
#define DUNMERROW_PLATFORM_SETTINGS_HIVE_H_

#include <cstdint>
#include <string>

namespace platform {

// A handle to a root or to an open key; 0 is no key.
enum class HKEY : uint32_t {};
inline constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);

using LONG = int32_t;
using DWORD = uint32_t;
using REGSAM = uint32_t;
using BYTE = uint8_t;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_WRITE_FAULT = 29;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// The hive files, from the environment on every call.
std::string MachineHivePath();
std::string UserSettingsPath();

// Opens `subkey` under `root` ("" opens a key on the root itself). Fails with
// ERROR_FILE_NOT_FOUND when no such key exists, and with ERROR_ACCESS_DENIED
// when `access` asks for write rights (set-value, create-subkey, create-link)
// and the hive file or its folder is not writable, or the file is not
// readable. `options` is ignored. On success `*result` must be closed.
LONG RegOpenKeyExA(HKEY root, const char* subkey, DWORD options, REGSAM access, HKEY* result);

// Whether this user could create a key in the hive of `root` and read it
// back, decided without touching the file: the folder exists and is
// writable, and the file is missing, or readable and writable (the checks
// RegCreateKeyA and RegOpenKeyExA with write rights make).
bool HiveWritableAndReadable(HKEY root);

// Reads value `name` ("" or null is the key's default value). `*type` gets
// its type when `type` is given. With `data` null, `*size` gets the byte
// count needed; with a buffer too small, ERROR_MORE_DATA and the count
// needed. REG_SZ data is the stored text without a terminating zero,
// REG_DWORD four bytes in little-endian order. `reserved` must be null.
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);

// Creates `subkey` (with its parents) when missing and opens it with all
// rights. The hive's folder must exist: ERROR_PATH_NOT_FOUND otherwise;
// ERROR_ACCESS_DENIED when it cannot be written.
LONG RegCreateKeyA(HKEY root, const char* subkey, HKEY* result);

// Stores value `name` with `type` and the `size` bytes of `data`, keeping
// every other entry. REG_DWORD needs exactly four bytes. The key must have
// been opened with KEY_SET_VALUE.
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);

LONG RegCloseKey(HKEY key);

// The per-user store of application `app` ("Quellory" is the host): the
// value of `key` in `section`, or `default_value` when the store, the section
// or the key is missing or the store cannot be read. Never raises.
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& default_value);

// Stores a value in the per-user store, creating its folder and file when
// missing and keeping every other entry. Raises ComError naming the file
// when it cannot be written.
void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value);

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_SETTINGS_HIVE_H_
