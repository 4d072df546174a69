// `dunmerrow statements`: runs the owner statements as the host does.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/statement_session.h"
#include "core/com_error.h"
#include "core/date.h"
#include "data/registry.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/regional.h"
#include "platform/trace.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow statements [OPTIONS]\n"
    "Prints the owner statement of every disbursement made on a date.\n"
    "\n"
    "  --date YYYY-MM-DD     the report date (default: today)\n"
    "  --notes               print the description under each journal line\n"
    "  --detailed            print each tenancy's balance owing and paid-to date\n"
    "  --definition NAME     the report definition NAME.rdn (default: OwnerStatement)\n"
    "  --database PATH       the SQLite or .mdb database for this run, instead of the settings\n"
    "  --app-folder DIR      the host's folder for this run (its property.mdb, the error log)\n"
    "  --to DESTINATION      preview, print, email, outbox, both (e-mail and outbox), or none\n"
    "                        (lay out and trace only, write no PDF); default preview\n"
    "  --out DIR             output folder (default: ./statements)\n"
    "  --trace FILE          write the run's trace (JSON Lines) to FILE\n"
    "  --locale NAME         regional formats, e.g. en_AU (default: from the environment)\n"
    "  --help                show this help\n"
    "\n"
    "Exit status: 0 the run completed; 1 the run stopped on a failure (its message was\n"
    "shown); 2 bad usage.\n";

struct Options {
  std::string date;
  bool notes = false;
  bool detailed = false;
  std::string definition = "OwnerStatement";
  std::string database;
  std::string app_folder;
  std::string to = "preview";
  std::string out = "statements";
  std::string trace;
  std::string locale;
};

// Parses the options; returns 0 to go on, otherwise the exit status.
int Parse(const Args& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= args.size()) return false;
      target = args[++i];
      return true;
    };
    bool ok = true;
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return -1;
    } else if (a == "--notes") {
      o.notes = true;
    } else if (a == "--detailed") {
      o.detailed = true;
    } else if (a == "--date") {
      ok = value(o.date);
    } else if (a == "--definition") {
      ok = value(o.definition);
    } else if (a == "--database") {
      ok = value(o.database);
    } else if (a == "--app-folder") {
      ok = value(o.app_folder);
    } else if (a == "--to") {
      ok = value(o.to);
    } else if (a == "--out") {
      ok = value(o.out);
    } else if (a == "--trace") {
      ok = value(o.trace);
    } else if (a == "--locale") {
      ok = value(o.locale);
    } else {
      return UsageError("statements: unknown option '" + a + "'");
    }
    if (!ok) return UsageError("statements: option '" + a + "' needs a value");
  }
  return 0;
}

bool DestinationOf(const std::string& to, OutputOptions& output) {
  if (to == "preview") output.destination = contracts::kDestinationPreview;
  else if (to == "print") output.destination = contracts::kDestinationPrinter;
  else if (to == "email") output.destination = contracts::kDestinationEmail;
  else if (to == "outbox") output.destination = contracts::kDestinationOutbox;
  else if (to == "both") output.destination = contracts::kDestinationEmailAndOutbox;
  else if (to == "none") output.render = false;
  else return false;
  return true;
}

// A one-line progress bar on standard error: statements done of the date's,
// and the time since the run began.
class ProgressBar {
 public:
  void Update(int done, int total) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int width = 30;
    const int filled = total > 0 ? done * width / total : width;
    std::fprintf(stderr, "\r[%.*s%*s] %d/%d statements  %.1fs", filled,
                 "##############################", width - filled, "", done, total, seconds);
    std::fflush(stderr);
    shown_ = true;
  }
  void Finish() {
    if (shown_) std::fputc('\n', stderr);
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  bool shown_ = false;
};

// What the run produced, on standard output: the files and how many
// statements and pages they hold; e-mails left in the outbox on standard error.
void ShowSummary(const component::RunOutcome& outcome, const OutputOptions& output) {
  using contracts::DeliveryState;
  int statements = 0;
  int pages = 0;
  int documents = 0;
  std::vector<std::string> files;
  for (const component::OwnerOutcome& owner : outcome.owners) {
    if (owner.pages == 0) continue;
    ++statements;
    const DeliveryState state = owner.delivery.state;
    if (state == DeliveryState::kNone || state == DeliveryState::kFailed) continue;
    pages += owner.pages;
    ++documents;
    if (!owner.delivery.file.empty() &&
        std::find(files.begin(), files.end(), owner.delivery.file) == files.end()) {
      files.push_back(owner.delivery.file);
    }
  }
  if (!output.render) {
    std::printf("%d statements, %d pages laid out (no PDF written)\n", statements, pages);
  } else if (contracts::IsEmailDestination(output.destination)) {
    std::printf("%d statements, %d pages, %d e-mailed documents in %s\n", statements, pages,
                documents, output.folder.c_str());
  } else {
    for (const std::string& file : files) std::printf("%s\n", file.c_str());
    std::printf("%d statements, %d pages\n", statements, pages);
  }
  for (const component::OwnerOutcome& owner : outcome.owners) {
    if (owner.delivery.state != DeliveryState::kWaiting) continue;
    std::fprintf(stderr, "dunmerrow: the statement for %s waits in %s: %s\n",
                 owner.owner_name.c_str(), owner.delivery.file.c_str(),
                 owner.delivery.reason.c_str());
  }
}

// After a preview on a terminal, the print button: asks whether to print.
bool AskToPrint() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
  std::printf("Print these statements? [y/N] ");
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int RunStatements(const Args& args) {
  Options o;
  if (int status = Parse(args, o); status != 0) return status < 0 ? 0 : status;

  OutputOptions output;
  output.folder = o.out;
  if (!DestinationOf(o.to, output)) {
    return UsageError("statements: --to must be preview, print, email, outbox, both or none, not '" +
                      o.to + "'");
  }
  core::Date report_date = platform::Today();
  if (!o.date.empty()) {
    auto parsed = core::Date::ParseIso(o.date);
    if (!parsed || o.date.size() != 10) {
      return UsageError("statements: --date must be a date written YYYY-MM-DD, not '" + o.date + "'");
    }
    report_date = *parsed;
  }

  platform::SetLocale(o.locale);
  try {
    if (!o.trace.empty()) platform::OpenTrace(o.trace);
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: %s\n", e.description().c_str());
    return 1;
  }
  StartSession(platform::WriteMessageToStderr);
  if (!o.app_folder.empty()) Registry::SetOverride("Settings", "apppath", o.app_folder);
  if (!o.database.empty()) {
    Registry::SetOverride("Settings", "Networkable", "1");
    Registry::SetOverride("Settings", "DatabaseLocation", o.database);
  }
  SetOutput(output);

  ProgressBar progress;
  try {
    StatementSession session;
    session.SetParam("DateTo", core::Variant(report_date));
    session.SetParam("bNotes", o.notes);
    session.SetParam("bDetailed", o.detailed);
    if (isatty(STDERR_FILENO)) {
      session.SetProgressSink([&](int done, int total) { progress.Update(done, total); });
    }
    const component::RunOutcome outcome = session.Print(o.definition);
    progress.Finish();
    if (!outcome.ran) {
      std::fprintf(stderr, "dunmerrow: %s\n", outcome.failure->description.c_str());
      return 1;
    }
    ShowSummary(outcome, output);
    if (outcome.failure) return 1;
    if (output.render && output.destination == contracts::kDestinationPreview && AskToPrint()) {
      session.PressPrintButton();
    }
  } catch (const core::ComError& e) {
    progress.Finish();
    std::fprintf(stderr, "dunmerrow: %s\n", e.description().c_str());
    return 1;
  }
  return 0;
}

}  // namespace app
