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

void WriteMessageToStderr(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
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
