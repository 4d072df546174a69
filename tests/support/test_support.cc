// The shared test helpers.
#include "test_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace testing_support {

ScratchFolder::ScratchFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = info ? std::string(info->test_suite_name()) + "-" + info->name() : "";
  static int made = 0;  // a test may hold several
  path_ = fs::temp_directory_path() /
          ("dunmerrow-" + std::to_string(::getpid()) + "-" + std::to_string(++made) + "-" + name);
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  if (!::testing::Test::HasFailure()) fs::remove_all(path_);
}

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
}

void ScopedEnvironment::Save(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
  Save(name);
  setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::Unset(const std::string& name) {
  Save(name);
  unsetenv(name.c_str());
}

void ScopedEnvironment::Settings(const std::string& machine, const std::string& user) {
  Set("QUELLORY_MACHINE_SETTINGS", machine);
  Set("QUELLORY_USER_SETTINGS", user);
}

std::vector<std::string> MessageCapture::Lines() const {
  std::vector<std::string> lines;
  for (const Message& m : messages) lines.push_back(m.title + ": " + m.text);
  return lines;
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_regular_file()) names.push_back(fs::relative(it->path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

MailServer::MailServer(const fs::path& folder, const std::string& flags) : folder_(folder) {
  const fs::path script = fs::path(DUNMERROW_SOURCE_DIR) / "tests/support/smtp_server.py";
  pid_ = std::stoi(RunCommand("python3 " + Quoted(script) + " " + Quoted(folder) + " " + flags +
                              " >/dev/null 2>&1 & echo $!")
                       .output);
  for (int i = 0; i < 400 && !fs::exists(folder / "port"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  port_ = fs::exists(folder / "port") ? std::stoi(ReadFile(folder / "port")) : 0;
  if (port_ == 0) ADD_FAILURE() << "the mail server in " << folder << " did not start";
}

MailServer::~MailServer() { kill(pid_, SIGTERM); }

int MailServer::Logged(const std::string& word) const {
  const std::string log = ReadFile(folder_ / "log");
  int n = 0;
  for (size_t at = log.find(word); at != std::string::npos; at = log.find(word, at + 1)) ++n;
  return n;
}

std::vector<fs::path> MailServer::Messages() const {
  std::vector<fs::path> files;
  for (const std::string& name : FilesUnder(folder_ / "messages")) {
    files.push_back(folder_ / "messages" / name);
  }
  return files;
}

std::string MdbFixture(const std::string& name) {
  return std::string(DUNMERROW_SOURCE_DIR) + "/../shared/fixtures/mdb/" + name;
}

core::ComError ExpectComError(int number, std::string_view fragment,
                              const std::function<void()>& call, std::source_location where) {
  try {
    call();
  } catch (const core::ComError& e) {
    if (e.number() != number || e.description().find(fragment) == std::string::npos) {
      ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
          << "expected error " << number << " holding '" << fragment << "', got " << e.number()
          << " '" << e.description() << "'";
    }
    return e;
  }
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
      << "expected error " << number << " holding '" << fragment << "', nothing was raised";
  return core::ComError(0, "");
}

}  // namespace testing_support
