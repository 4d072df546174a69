// What the test programs share: scratch folders, the settings environment,
// captured messages, commands run through the shell, whole files read and
// written, a mail server, the check of a raised ComError, and readable money
// and dates.
#ifndef DUNMERROW_TESTS_SUPPORT_TEST_SUPPORT_H_
#define DUNMERROW_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/com_error.h"
#include "core/currency.h"
#include "core/date.h"

namespace core {
inline void PrintTo(const Currency& amount, std::ostream* os) { *os << amount.ToString(); }
inline void PrintTo(const Date& date, std::ostream* os) { *os << date.ToIso(); }
}  // namespace core

namespace testing_support {

namespace fs = std::filesystem;

// A fresh folder named after the running test, removed afterwards; kept
// when the test failed, for a look at what it left.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const fs::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Environment variables set for a test and put back as they were when it
// ends.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);
  // The machine-wide and the per-user settings files; neither need exist.
  void Settings(const std::string& machine, const std::string& user);

 private:
  void Save(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct Message {
  std::string title;
  std::string text;
};

// Takes every message the component shows while it lives.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  // "title: text", one per message.
  std::vector<std::string> Lines() const;

  std::vector<Message> messages;
};

struct CommandResult {
  int status = -1;  // the exit status; -1 when the command was killed
  std::string output;
};

// Runs `command` through the shell: its exit status and standard output.
CommandResult RunCommand(const std::string& command);

// A path in apostrophes for the shell.
std::string Quoted(const fs::path& path);

// The bytes of a file; "" when it cannot be read.
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);
// The regular files under `folder`, relative to it, sorted; none when it is
// missing.
std::vector<std::string> FilesUnder(const fs::path& folder);

// The mail server of smtp_server.py (which tells what it plays with `flags`)
// on a free port of 127.0.0.1, keeping its port, log and the messages it takes
// in `folder`, ready to answer; stopped when it goes. A failure is added when
// it does not start.
class MailServer {
 public:
  explicit MailServer(const fs::path& folder, const std::string& flags = "");
  ~MailServer();
  MailServer(const MailServer&) = delete;
  MailServer& operator=(const MailServer&) = delete;

  int port() const { return port_; }  // 0 when it did not start
  // How often `word` is in its log: "connect" per connection, "RCPT" per
  // recipient of a message it took.
  int Logged(const std::string& word) const;
  // The messages it took, one file each.
  std::vector<fs::path> Messages() const;

 private:
  fs::path folder_;
  int pid_ = 0;
  int port_ = 0;
};

// A Jet file of the shared fixtures.
std::string MdbFixture(const std::string& name);

// Expects `call` to raise a ComError numbered `number` whose description
// holds `fragment`, and fails at the caller's line otherwise. Returns the
// error for further checks (numbered 0 when nothing was raised).
core::ComError ExpectComError(int number, std::string_view fragment,
                              const std::function<void()>& call,
                              std::source_location where = std::source_location::current());

}  // namespace testing_support

#endif  // DUNMERROW_TESTS_SUPPORT_TEST_SUPPORT_H_
