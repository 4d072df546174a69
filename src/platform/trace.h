// The run's trace: JSON Lines, one object per event, shared by the report
// engine (sections, pages, documents) and the host (message boxes). Writes
// are serialised and flushed line by line, so the file is whole at any stop.
#ifndef DUNMERROW_PLATFORM_TRACE_H_
#define DUNMERROW_PLATFORM_TRACE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/com_error.h"

namespace platform {

// Builds one JSON object with its members in the order they are added.
class JsonLine {
 public:
  JsonLine& Add(const std::string& key, const std::string& value);
  JsonLine& Add(const std::string& key, const char* value) { return Add(key, std::string(value)); }
  JsonLine& Add(const std::string& key, int64_t value);
  JsonLine& Add(const std::string& key, int32_t value) { return Add(key, static_cast<int64_t>(value)); }
  // A nested object of text members, in the order given.
  JsonLine& Add(const std::string& key, const std::vector<std::pair<std::string, std::string>>& members);
  std::string str() const { return body_ + "}"; }

 private:
  void Key(const std::string& key);
  std::string body_ = "{";
};

// `text` as a JSON string literal (quotes included), escaping what JSON
// requires; invalid UTF-8 bytes become U+FFFD.
std::string JsonQuote(const std::string& text);

// Starts writing the trace to `path` (truncating it); "" stops. Raises
// ComError naming the path when it cannot be opened.
void OpenTrace(const std::string& path);
// Closes the trace; raises ComError naming it when the last of it cannot be
// written.
void CloseTrace();
bool TraceEnabled();
// Appends one event line, written through to the file. A write that fails
// stops the trace and raises ComError "Cannot write the trace 'PATH': WHY",
// which TraceFailure() then keeps.
void WriteTrace(const JsonLine& event);
// The failure that stopped the trace since it was opened; none when it has
// been written whole so far.
std::optional<core::ComError> TraceFailure();

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_TRACE_H_
