// `dunmerrow outbox send`: sends the e-mailed statements waiting in the
// outbox through the mail server of the settings.
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "app/host_settings.h"
#include "core/com_error.h"
#include "engines/report/mail.h"
#include "engines/report/outbox.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow outbox send [--out DIR]\n"
    "Sends every message waiting in DIR/outbox and moves it to DIR/sent. The mail\n"
    "server comes from the settings section Mail (Host, Port, From, User, Security);\n"
    "the password from the environment variable DUNMERROW_SMTP_PASSWORD.\n"
    "\n"
    "  --out DIR   the output folder of the statements run (default: ./statements)\n"
    "\n"
    "Exit status: 0 all sent; 1 some messages stay in the outbox; 2 bad usage.\n";

}  // namespace

int RunOutbox(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (args.empty() || args[0] != "send") return UsageError("outbox needs the action 'send'");
  std::string out = "statements";
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (args[i] != "--out") return UsageError("unknown option '" + args[i] + "' for outbox send");
    if (i + 1 >= args.size()) return UsageError("--out needs a folder");
    out = args[++i];
  }
  report_engine::OutboxResult result;
  try {
    result = report_engine::SendOutbox(out, SmtpFromSettings());
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: %s\n", e.description().c_str());
    return 1;
  }
  for (const std::string& problem : result.problems) std::fprintf(stderr, "%s\n", problem.c_str());
  std::printf("%d message%s sent, %zu left in %s/outbox\n", result.sent,
              result.sent == 1 ? "" : "s", result.problems.size(), out.c_str());
  return result.problems.empty() ? 0 : 1;
}

}  // namespace app
