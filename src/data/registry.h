// The host's settings (the Registry module): the machine-wide settings hive
// when it can be written and read, otherwise the per-user store. State is
// per thread.
#ifndef DUNMERROW_DATA_REGISTRY_H_
#define DUNMERROW_DATA_REGISTRY_H_

#include <cstdint>
#include <string>

#include "platform/settings_hive.h"

namespace Registry {

// The value of `key` in `section`, or `default_value` when it is missing.
// The text "vbNullString" reads as "". An override set with SetOverride
// answers before the machine hive and the per-user store. Never raises.
std::string GetRegSetting(const std::string& section, const std::string& key,
                          const std::string& default_value);
// Whether the machine-wide hive can be written and read back; decided once
// per thread from the permissions of its file and folder, without writing.
bool RegistryUsable();
// True when the key could be opened (with write rights) and the value read.
bool RegReadString(platform::HKEY root, const std::string& subkey, const std::string& value_name,
                   std::string& value);
// 0 on success, otherwise the error code of the step that failed.
int32_t RegWriteString(platform::HKEY root, const std::string& subkey,
                       const std::string& value_name, const std::string& value);

// Process-wide values that GetRegSetting answers before anything else (the
// command line's --app-folder and --database). Sections and keys compare
// without regard to letter case.
void SetOverride(const std::string& section, const std::string& key, const std::string& value);
// Forgets the override of `key` in `section`, if any.
void ClearOverride(const std::string& section, const std::string& key);
void ClearOverrides();

}  // namespace Registry

#endif  // DUNMERROW_DATA_REGISTRY_H_
