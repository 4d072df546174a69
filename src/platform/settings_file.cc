// The settings hive's INI file: parsing, writing and locked updates.
#include "platform/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <sstream>

#include "core/com_error.h"
#include "platform/files.h"
#include "platform/settings_hive.h"

namespace platform::settings {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// C escapes between double quotes, so any byte survives the round trip.
std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (IsControl(c)) {
          char buf[5];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

// Reads a quoted text starting at text[pos] == '"'; `pos` ends after the
// closing quote. nullopt when it is not closed or has an unknown escape.
std::optional<std::string> Unquote(const std::string& text, size_t& pos) {
  std::string out;
  for (size_t i = pos + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      pos = i + 1;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = HexDigit(text[i + 1]);
        const int lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

bool NeedsQuotes(const std::string& text) {
  if (text.empty()) return false;
  if (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t') {
    return true;
  }
  for (const char c : text) {
    if (IsControl(static_cast<unsigned char>(c))) return true;
  }
  return text.front() == '"';
}

std::string RenderName(const std::string& name) {
  if (name.empty()) return "@";
  if (name == "@" || NeedsQuotes(name) || name.find('=') != std::string::npos ||
      name.front() == '[' || name.front() == ';' || name.front() == '#') {
    return Quote(name);
  }
  return name;
}

std::string RenderValue(const Value& value) {
  if (value.type == REG_DWORD && value.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
      n = n << 8 | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    return buf;
  }
  if (value.type == REG_SZ) {
    const std::string& t = value.data;
    if (NeedsQuotes(t) || StartsWithNoCase(t, "dword:") || StartsWithNoCase(t, "hex:") ||
        StartsWithNoCase(t, "hex(")) {
      return Quote(t);
    }
    return t;
  }
  std::string out = value.type == REG_BINARY ? "hex:" : "hex(" + std::to_string(value.type) + "):";
  for (size_t i = 0; i < value.data.size(); ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "",
                  static_cast<unsigned char>(value.data[i]));
    out += buf;
  }
  return out;
}

// "01,ff,0a": one or two hex digits per byte; "" is no bytes.
std::optional<Value> ParseHexBytes(const std::string& text, uint32_t type) {
  Value value{type, ""};
  if (Trim(text).empty()) return value;
  std::istringstream in(text);
  std::string token;
  while (std::getline(in, token, ',')) {
    token = Trim(token);
    if (token.empty() || token.size() > 2) return std::nullopt;
    int byte = 0;
    for (const char c : token) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      byte = byte * 16 + d;
    }
    value.data += static_cast<char>(byte);
  }
  if (text.back() == ',') return std::nullopt;
  return value;
}

std::optional<Value> ParseValue(const std::string& text) {
  if (StartsWithNoCase(text, "dword:")) {
    const std::string digits = text.substr(6);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t n = 0;
    for (const char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      n = n << 4 | static_cast<uint32_t>(d);
    }
    std::string data(4, '\0');
    for (size_t i = 0; i < 4; ++i) data[i] = static_cast<char>(n >> (8 * i) & 0xff);
    return Value{REG_DWORD, data};
  }
  if (StartsWithNoCase(text, "hex:")) return ParseHexBytes(text.substr(4), REG_BINARY);
  if (StartsWithNoCase(text, "hex(")) {
    const size_t close = text.find("):");
    if (close == std::string::npos || close == 4 || close > 14) return std::nullopt;
    uint32_t type = 0;
    for (size_t i = 4; i < close; ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0 || d > 9) return std::nullopt;
      type = type * 10 + static_cast<uint32_t>(d);
    }
    return ParseHexBytes(text.substr(close + 2), type);
  }
  if (!text.empty() && text.front() == '"') {
    size_t pos = 0;
    auto unquoted = Unquote(text, pos);
    if (!unquoted || pos != text.size()) return std::nullopt;
    return Value{REG_SZ, *unquoted};
  }
  return Value{REG_SZ, text};
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string NormaliseKeyPath(const std::string& path) {
  std::string out;
  std::string part;
  for (const char c : path + "\\") {
    if (c != '\\') {
      part += c;
      continue;
    }
    if (part.empty()) continue;
    if (!out.empty()) out += '\\';
    out += part;
    part.clear();
  }
  return out;
}

bool ValidKeyPath(const std::string& path) {
  for (const char c : path) {
    if (IsControl(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

SettingsFile SettingsFile::Parse(const std::string& text) {
  SettingsFile file;
  file.sections_.push_back(Section{});
  bool line_end_known = false;
  for (size_t start = 0; start < text.size();) {
    const size_t newline = text.find('\n', start);
    std::string raw;
    std::string end;
    if (newline == std::string::npos) {
      raw = text.substr(start);
      start = text.size();
    } else {
      raw = text.substr(start, newline - start);
      end = "\n";
      start = newline + 1;
      if (!raw.empty() && raw.back() == '\r') {
        raw.pop_back();
        end = "\r\n";
      }
    }
    if (!line_end_known && !end.empty()) {
      file.line_end_ = end;
      line_end_known = true;
    }
    file.AddParsedLine(raw, end);
  }
  return file;
}

void SettingsFile::AddParsedLine(const std::string& raw, const std::string& end) {
  std::string text = raw;
  while (!text.empty() && text.back() == '\r') text.pop_back();
  const std::string line = Trim(text);
  Line entry{raw, std::nullopt, {}, end};
  if (!line.empty() && line.front() == '[' && line.back() == ']') {
    sections_.push_back(Section{NormaliseKeyPath(line.substr(1, line.size() - 2)), {}});
    sections_.back().lines.push_back(entry);
    return;
  }
  if (line.empty() || line.front() == ';' || line.front() == '#') {
    sections_.back().lines.push_back(entry);
    return;
  }
  std::optional<std::string> name;
  size_t pos = 0;
  if (line.front() == '"') {
    name = Unquote(line, pos);
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  } else {
    pos = line.find('=');
    if (pos != std::string::npos) {
      name = Trim(line.substr(0, pos));
      if (*name == "@") name = "";
    }
  }
  if (name && pos < line.size() && line[pos] == '=') {
    if (auto value = ParseValue(Trim(line.substr(pos + 1)))) {
      entry.name = *name;
      entry.value = *value;
    }
  }
  sections_.back().lines.push_back(entry);
}

std::string SettingsFile::Serialise() const {
  std::string out;
  const Line* last = nullptr;
  for (const Section& section : sections_) {
    for (const Line& line : section.lines) {
      // Only the file's last line may lack a line end; a line added after it
      // needs one.
      if (last) out += last->end.empty() ? line_end_ : last->end;
      out += line.raw;
      last = &line;
    }
  }
  if (last) out += last->end;
  return out;
}

bool SettingsFile::HasKey(const std::string& key) const {
  if (key.empty()) return true;
  for (const Section& section : sections_) {
    if (!section.key) continue;
    const std::string& k = *section.key;
    if (SameName(k, key)) return true;
    if (k.size() > key.size() && k[key.size()] == '\\' && SameName(k.substr(0, key.size()), key)) {
      return true;
    }
  }
  return false;
}

std::optional<Value> SettingsFile::Find(const std::string& key, const std::string& name) const {
  for (const Section& section : sections_) {
    if (!section.key || !SameName(*section.key, key)) continue;
    for (const Line& line : section.lines) {
      if (line.name && SameName(*line.name, name)) return line.value;
    }
  }
  return std::nullopt;
}

SettingsFile::Line SettingsFile::MakeLine(const std::string& name, const Value& value) const {
  return Line{RenderName(name) + "=" + RenderValue(value), name, value, line_end_};
}

SettingsFile::Section& SettingsFile::SectionFor(const std::string& key) {
  for (Section& section : sections_) {
    if (section.key && SameName(*section.key, key)) return section;
  }
  if (sections_.empty()) sections_.push_back(Section{});
  const Section& last = sections_.back();
  const bool file_empty = sections_.size() == 1 && last.lines.empty();
  if (!file_empty && !last.lines.empty() && !Trim(last.lines.back().raw).empty()) {
    sections_.back().lines.push_back(Line{"", std::nullopt, {}, line_end_});
  }
  sections_.push_back(Section{key, {Line{"[" + key + "]", std::nullopt, {}, line_end_}}});
  return sections_.back();
}

void SettingsFile::Set(const std::string& key, const std::string& name, const Value& value) {
  for (Section& section : sections_) {
    if (!section.key || !SameName(*section.key, key)) continue;
    for (Line& line : section.lines) {
      if (line.name && SameName(*line.name, name)) {
        const std::string end = line.end;
        line = MakeLine(*line.name, value);
        line.end = end;
        return;
      }
    }
  }
  Section& section = SectionFor(key);
  // After the section's last non-blank line, so blank lines keep separating sections.
  size_t at = section.lines.size();
  while (at > 1 && Trim(section.lines[at - 1].raw).empty()) --at;
  section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(at),
                       MakeLine(name, value));
}

void SettingsFile::AddKey(const std::string& key) { SectionFor(key); }

int32_t ErrorFromErrno(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    default:
      return ERROR_WRITE_FAULT;
  }
}

int32_t LoadSettingsFile(const std::string& path, SettingsFile* file) {
  std::string text;
  int err = 0;
  if (!ReadRegularFile(path, std::numeric_limits<uint64_t>::max(), &text, &err).empty()) {
    if (err != ENOENT) return ERROR_ACCESS_DENIED;
    text.clear();
  }
  *file = SettingsFile::Parse(text);
  return ERROR_SUCCESS;
}

int32_t UpdateSettingsFile(const std::string& path,
                           const std::function<void(SettingsFile&)>& change) {
  // The lock is taken on the folder: the file itself is replaced by a rename,
  // so a lock on it would not hold for the next writer, and a lock file
  // beside it would be left behind in a folder that is not ours (/etc).
  // Reading the folder is enough for flock.
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int err = errno;
      close(fd);
      return ErrorFromErrno(err);
    }
  }
  SettingsFile file;
  int32_t status = LoadSettingsFile(path, &file);
  if (status == ERROR_SUCCESS) {
    change(file);
    errno = 0;
    try {
      WriteFileAtomically(path, file.Serialise());
    } catch (const core::ComError&) {
      status = errno ? ErrorFromErrno(errno) : ERROR_WRITE_FAULT;
    }
  }
  close(fd);  // releases the lock
  return status;
}

}  // namespace platform::settings
