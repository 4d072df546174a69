// The JSON Lines trace.
#include "platform/trace.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include "core/com_error.h"
#include "platform/os_error.h"

namespace platform {
namespace {

std::mutex g_mutex;
std::FILE* g_file = nullptr;
std::atomic<bool> g_enabled{false};

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(const std::string& s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0 && c >= 0xC2) n = 2;
  else if ((c & 0xF0) == 0xE0) n = 3;
  else if ((c & 0xF8) == 0xF0 && c <= 0xF4) n = 4;
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

bool IsPlainAscii(unsigned char c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; }

}  // namespace

std::string JsonQuote(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (size_t i = 0; i < text.size();) {
    // Printable ASCII other than the quote and the backslash goes as it is,
    // a run at a time: it is nearly all of a trace.
    size_t plain = i;
    while (plain < text.size() && IsPlainAscii(static_cast<unsigned char>(text[plain]))) ++plain;
    if (plain > i) {
      out.append(text, i, plain - i);
      i = plain;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"': out += "\\\""; ++i; continue;
      case '\\': out += "\\\\"; ++i; continue;
      case '\n': out += "\\n"; ++i; continue;
      case '\r': out += "\\r"; ++i; continue;
      case '\t': out += "\\t"; ++i; continue;
      default: break;
    }
    if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
      continue;
    }
    const size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    out.append(text, i, n);
    i += n;
  }
  return out + "\"";
}

void JsonLine::Key(const std::string& key) {
  if (body_.size() > 1) body_ += ",";
  body_ += JsonQuote(key) + ":";
}

JsonLine& JsonLine::Add(const std::string& key, const std::string& value) {
  Key(key);
  body_ += JsonQuote(value);
  return *this;
}

JsonLine& JsonLine::Add(const std::string& key, int64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::Add(const std::string& key,
                        const std::vector<std::pair<std::string, std::string>>& members) {
  Key(key);
  body_ += "{";
  for (size_t i = 0; i < members.size(); ++i) {
    if (i) body_ += ",";
    body_ += JsonQuote(members[i].first) + ":" + JsonQuote(members[i].second);
  }
  body_ += "}";
  return *this;
}

namespace {

// The trace's first write failure since it was opened; the trace stops then.
std::optional<core::ComError> g_failure;
std::string g_path;

[[noreturn]] void FailTrace(int err) {
  if (g_file) std::fclose(g_file);
  g_file = nullptr;
  g_enabled = false;
  g_failure = core::ComError(OsErrorNumber(err),
                             "Cannot write the trace '" + g_path + "': " + std::strerror(err));
  throw *g_failure;
}

}  // namespace

void OpenTrace(const std::string& path) {
  std::lock_guard lock(g_mutex);
  if (g_file) std::fclose(g_file);
  g_file = nullptr;
  g_enabled = false;
  g_failure.reset();
  g_path = path;
  if (path.empty()) return;
  g_file = std::fopen(path.c_str(), "w");
  if (!g_file) {
    const int err = errno;
    throw core::ComError(OsErrorNumber(err), "Cannot write the trace '" + path + "': " + std::strerror(err));
  }
  g_enabled = true;
}

void CloseTrace() {
  std::lock_guard lock(g_mutex);
  g_enabled = false;
  if (!g_file) return;
  if (std::fclose(g_file) != 0) {
    g_file = nullptr;
    FailTrace(errno);
  }
  g_file = nullptr;
}

bool TraceEnabled() { return g_enabled.load(std::memory_order_relaxed); }

std::optional<core::ComError> TraceFailure() {
  std::lock_guard lock(g_mutex);
  return g_failure;
}

void WriteTrace(const JsonLine& event) {
  std::lock_guard lock(g_mutex);
  if (!g_file) return;
  const std::string line = event.str() + "\n";
  if (std::fwrite(line.data(), 1, line.size(), g_file) != line.size() || std::fflush(g_file) != 0) {
    FailTrace(errno);
  }
}

}  // namespace platform
