// The INI file behind the settings hive: parsing that keeps every line it
// does not change byte for byte (its line end included), typed values, and
// locked read-modify-write updates.
// Internal to the platform layer; settings_hive.h describes the format.
#ifndef DUNMERROW_PLATFORM_SETTINGS_FILE_H_
#define DUNMERROW_PLATFORM_SETTINGS_FILE_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::settings {

// A stored value: its registry type and its bytes.
struct Value {
  uint32_t type = 1;  // REG_SZ
  std::string data;
  bool operator==(const Value&) const = default;
};

// "A\\B\\\\C\\" as "A\\B\\C": empty components dropped.
std::string NormaliseKeyPath(const std::string& path);
// Key paths are section headers of their own line: no control characters.
bool ValidKeyPath(const std::string& path);
// ASCII letters compared without regard to case.
bool SameName(const std::string& a, const std::string& b);

class SettingsFile {
 public:
  // Reads as much as it can: malformed lines are kept but hold no value.
  static SettingsFile Parse(const std::string& text);
  // The file's text: unchanged lines as they were read, with their own line
  // ends; new lines end as the file's first line does (CRLF or LF, LF for an
  // empty file).
  std::string Serialise() const;

  // True when a section is the key (a normalised path) or lies under it.
  // The root ("") always exists.
  bool HasKey(const std::string& key) const;
  // The first value of that name under the key; nullopt when missing.
  std::optional<Value> Find(const std::string& key, const std::string& name) const;
  // Replaces the value where it is, or adds it to the key's section, adding
  // the section when the key has none.
  void Set(const std::string& key, const std::string& name, const Value& value);
  // Adds an empty section for the key when no section is the key itself.
  void AddKey(const std::string& key);

 private:
  struct Line {
    std::string raw;                  // without its line end
    std::optional<std::string> name;  // set for a well-formed value line
    Value value;
    std::string end;  // "\r\n", "\n", or "" for a last line without one
  };
  struct Section {
    std::optional<std::string> key;  // normalised; none before the first header
    std::vector<Line> lines;
  };
  void AddParsedLine(const std::string& raw, const std::string& end);
  Line MakeLine(const std::string& name, const Value& value) const;
  Section& SectionFor(const std::string& key);

  std::vector<Section> sections_;
  std::string line_end_ = "\n";  // for the lines this file adds
};

// Win32-style result codes (settings_hive.h) for the file operations.
int32_t ErrorFromErrno(int err);

// Loads `path`; a missing file is an empty one. ERROR_SUCCESS, or the code
// of the failure (ERROR_ACCESS_DENIED for an unreadable file).
int32_t LoadSettingsFile(const std::string& path, SettingsFile* file);

// Under an exclusive lock on the file's folder (no lock file is left
// beside it): loads the file, applies `change` and replaces the file
// atomically, keeping its permissions. ERROR_SUCCESS or the code of the step
// that failed; the file is then untouched.
int32_t UpdateSettingsFile(const std::string& path,
                           const std::function<void(SettingsFile&)>& change);

}  // namespace platform::settings

#endif  // DUNMERROW_PLATFORM_SETTINGS_FILE_H_
