// `dunmerrow outbox send` sends the e-mailed statements waiting in the
// outbox through the mail server of the settings; `dunmerrow outbox status`
// tells what waits, what failed and why, and what was sent when.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/host_settings.h"
#include "app/run_register.h"
#include "core/com_error.h"
#include "engines/report/mail.h"
#include "engines/report/outbox.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace app {
namespace {

namespace fs = std::filesystem;

constexpr char kHelp[] =
    "Usage: dunmerrow outbox send [--out DIR]\n"
    "       dunmerrow outbox status [--out DIR] [--verbose]\n"
    "send: sends every message waiting in DIR/outbox, each at most once, and moves\n"
    "it to DIR/sent. The mail server comes from the settings section Mail (Host,\n"
    "Port, From, User, Security, Timeout); the password from the environment variable\n"
    "DUNMERROW_SMTP_PASSWORD. Once the server could not be reached three times in a\n"
    "row, the rest stays in the outbox. One send or statements run at a time per DIR.\n"
    "status: counts, then what waits and why, what a send left half-done, what failed\n"
    "in the runs' registers, and what was sent when (the last 20 unless --verbose).\n"
    "\n"
    "  --out DIR   the output folder of the statements run (default: ./statements)\n"
    "\n"
    "Exit status of send: 0 all sent; 1 some messages stay in the outbox; 2 bad usage.\n"
    "Exit status of status: 0 nothing waits; 3 something waits or a send did not\n"
    "finish; 1 DIR cannot be read; 2 bad usage.\n";

// How long a send waits for a run or another send to leave the folder.
constexpr double kLockWaitSeconds = 3;

int Send(const std::string& out) {
  report_engine::OutboxResult result;
  try {
    const platform::FolderLock lock(out, kLockWaitSeconds);
    result = report_engine::SendOutbox(out, SmtpFromSettings());
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: %s\n", platform::TerminalText(e.description()).c_str());
    return 1;
  }
  for (const std::string& problem : result.problems) {
    std::fprintf(stderr, "%s\n", platform::TerminalText(problem).c_str());
  }
  std::printf("%d message%s sent, %zu left in %s/outbox\n", result.sent,
              result.sent == 1 ? "" : "s", result.problems.size(), out.c_str());
  return result.problems.empty() ? 0 : 1;
}

std::string ModifiedTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return "";
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

// What the registers of OUT say of each document (relative to OUT): the
// newest register's row wins.
std::map<std::string, std::map<std::string, std::string>> RegisterRows(
    const std::string& out, std::vector<std::map<std::string, std::string>>& failed) {
  std::vector<std::string> registers;
  std::error_code ec;
  for (fs::directory_iterator it(out, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("register-", 0) == 0 && it->path().extension() == ".csv") {
      registers.push_back(it->path().string());
    }
  }
  std::sort(registers.begin(), registers.end());
  std::map<std::string, std::map<std::string, std::string>> by_document;
  for (const std::string& path : registers) {
    for (auto& row : ReadRegister(path)) {
      if (row["state"] == "failed") failed.push_back(row);
      if (!row["document"].empty()) by_document[row["document"]] = row;
    }
  }
  return by_document;
}

int Status(const std::string& out, bool verbose) {
  if (!fs::is_directory(out)) {
    std::fprintf(stderr, "dunmerrow: there is no output folder '%s'\n", out.c_str());
    return 1;
  }
  report_engine::Outbox outbox(out, {});
  const std::vector<std::string> waiting = outbox.Waiting();
  const std::vector<std::string> claimed = outbox.Claimed();
  std::vector<std::string> sent;
  std::error_code ec;
  for (fs::directory_iterator it(outbox.sent_folder(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().extension() == ".eml") sent.push_back(it->path().string());
  }
  std::sort(sent.begin(), sent.end(), [](const std::string& a, const std::string& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  std::vector<std::map<std::string, std::string>> failed;
  std::map<std::string, std::map<std::string, std::string>> rows;
  try {
    rows = RegisterRows(out, failed);
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: %s\n", platform::TerminalText(e.description()).c_str());
  }
  const auto relative = [&](const std::string& path) {
    return fs::proximate(path, out).generic_string();
  };
  const auto who = [&](const std::string& path) {
    auto it = rows.find(relative(path));
    if (it == rows.end()) return std::string();
    return it->second["owner_code"] + " " + it->second["owner_name"];
  };

  std::printf("%s: %zu waiting, %zu half-sent, %zu failed, %zu sent\n", out.c_str(),
              waiting.size(), claimed.size(), failed.size(), sent.size());
  if (!waiting.empty()) std::printf("Waiting:\n");
  for (const std::string& path : waiting) {
    auto it = rows.find(relative(path));
    const bool said = it != rows.end() && it->second["state"] == "waiting";
    const std::string reason = said ? it->second["reason"] : "not sent yet";
    std::printf("  %s  %s: %s\n", relative(path).c_str(), platform::TerminalText(who(path)).c_str(),
                platform::TerminalText(reason).c_str());
  }
  if (!claimed.empty()) {
    std::printf("Half-sent (a send stopped while sending; check whether it arrived, then\n"
                "rename it back to .eml to send it again, or delete it):\n");
  }
  for (const std::string& path : claimed) {
    std::printf("  %s  %s\n", relative(path).c_str(), ModifiedTime(path).c_str());
  }
  if (!failed.empty()) std::printf("Failed:\n");
  for (auto& row : failed) {
    std::printf("  %s %s: %s\n", platform::TerminalText(row["owner_code"]).c_str(),
                platform::TerminalText(row["owner_name"]).c_str(),
                platform::TerminalText(row["reason"]).c_str());
  }
  if (!sent.empty()) std::printf("Sent:\n");
  const size_t first = verbose || sent.size() <= 20 ? 0 : sent.size() - 20;
  if (first > 0) std::printf("  ... %zu earlier (--verbose lists them)\n", first);
  for (size_t i = first; i < sent.size(); ++i) {
    std::printf("  %s  %s  %s\n", ModifiedTime(sent[i]).c_str(), relative(sent[i]).c_str(),
                platform::TerminalText(who(sent[i])).c_str());
  }
  return waiting.empty() && claimed.empty() ? 0 : 3;
}

}  // namespace

int RunOutbox(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (args.empty() || (args[0] != "send" && args[0] != "status")) {
    return UsageError("outbox needs the action 'send' or 'status'");
  }
  std::string out = "statements";
  bool verbose = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (args[i] == "--verbose" && args[0] == "status") {
      verbose = true;
      continue;
    }
    if (args[i] != "--out") {
      return UsageError("unknown option '" + args[i] + "' for outbox " + args[0]);
    }
    if (i + 1 >= args.size()) return UsageError("--out needs a folder");
    out = args[++i];
  }
  return args[0] == "send" ? Send(out) : Status(out, verbose);
}

}  // namespace app
