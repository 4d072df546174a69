// Fuzz target: the settings hive's file reader on any bytes. Reading never
// fails, writing back is stable, and a value set is found again while the
// other entries stay as they were.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/settings_file.h"

using platform::settings::SettingsFile;
using platform::settings::Value;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SettingsFile file = SettingsFile::Parse(text);
  const std::string once = file.Serialise();
  const std::string twice = SettingsFile::Parse(once).Serialise();
  if (once != twice) __builtin_trap();

  // The first line's text, cut down to a plausible key and name.
  std::string key = "SOFTWARE\\Quellory\\" + text.substr(0, text.find_first_of("\r\n"));
  if (!platform::settings::ValidKeyPath(key)) key = "SOFTWARE\\Quellory\\Settings";
  key = platform::settings::NormaliseKeyPath(key);
  const std::string name = "apppath";
  const auto before = file.Find("Other", "Name");

  SettingsFile changed = SettingsFile::Parse(once);
  const Value value{1, "/srv/host folder"};
  changed.Set(key, name, value);
  const SettingsFile reread = SettingsFile::Parse(changed.Serialise());
  const auto found = reread.Find(key, name);
  if (!found || !(*found == value)) __builtin_trap();
  if (reread.Find("Other", "Name") != before) __builtin_trap();
  return 0;
}
