// Message boxes through the host's sink.
#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
MessageSink g_sink;

}  // namespace

void SetMessageSink(MessageSink sink) {
  std::lock_guard lock(g_mutex);
  g_sink = std::move(sink);
}

std::string TerminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CR LF: one break
    if (c == '\n') {
      out += "\n  ";
    } else if (c == '\t') {
      out += '\t';
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void WriteMessageToStderr(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "%s: %s\n", TerminalText(title).c_str(), TerminalText(text).c_str());
  std::fflush(stderr);
}

void MsgBox(const std::string& text, const std::string& title) {
  const std::string shown_title = title.empty() ? kDefaultTitle : title;
  MessageSink sink;
  {
    std::lock_guard lock(g_mutex);
    sink = g_sink;
  }
  if (sink) {
    sink(text, shown_title);
  } else {
    WriteMessageToStderr(text, shown_title);
  }
}

}  // namespace platform
