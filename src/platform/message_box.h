// Message boxes with an OK button. The host supplies the sink that shows
// them; until it does, messages go to standard error as "title: text".
#ifndef DUNMERROW_PLATFORM_MESSAGE_BOX_H_
#define DUNMERROW_PLATFORM_MESSAGE_BOX_H_

#include <functional>
#include <string>

namespace platform {

inline constexpr char kDefaultTitle[] = "Dunmerrow";

using MessageSink = std::function<void(const std::string& text, const std::string& title)>;

// Installs the sink for the calling thread and every thread without its own;
// an empty sink restores the default.
void SetMessageSink(MessageSink sink);

// Shows `text`; an empty title is the default title. Returns when the user
// has closed the box.
void MsgBox(const std::string& text, const std::string& title = "");

// `text` made safe for a terminal: a line break starts an indented line (so
// no text can pass for a line of its own), a lone CR shows as \r and every
// other control character as \xNN, so data cannot move the cursor or send
// escape sequences.
std::string TerminalText(const std::string& text);

// The default presentation: "title: text" and a newline on standard error,
// through TerminalText.
void WriteMessageToStderr(const std::string& text, const std::string& title);

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_MESSAGE_BOX_H_
