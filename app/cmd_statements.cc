// `dunmerrow statements`: runs the owner statements as the host does.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/review_window.h"
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
    "                        (it must open: there is no fallback to another database)\n"
    "  --app-folder DIR      the host's folder for this run (its property.mdb, the error log)\n"
    "  --to DESTINATION      preview, print, email, outbox, both (e-mail and outbox), or none\n"
    "                        (lay out and trace only, write no PDF); default preview\n"
    "  --out DIR             output folder (default: ./statements); one run at a time\n"
    "  --resend              e-mail again the statements an earlier run of the date sent\n"
    "                        or queued with the same content (normally reported, not sent)\n"
    "  --export-journal      also write OUT/journal-DATE.csv, every printed line\n"
    "  --trace FILE          write the run's trace (JSON Lines) to FILE\n"
    "  --locale NAME         regional formats, e.g. en_AU (default: from the environment)\n"
    "  --verbose             list every statement that waits or failed, not the first ten\n"
    "  --no-window           after a preview on a desktop, ask on the terminal whether to\n"
    "                        print instead of opening the review window\n"
    "  --help                show this help\n"
    "\n"
    "Every run writes OUT/register-DATE.csv, one row per statement with what became of\n"
    "it, and OUT/register-DATE.json, the totals reconciled with the database.\n"
    "\n"
    "Exit status: 0 the run completed and delivered everything; 1 the run stopped on a\n"
    "failure (its message was shown); 2 bad usage; 3 the run completed, but statements\n"
    "meant to be e-mailed were not sent and wait in OUT/outbox (see the register).\n"
    "\n"
    "A preview on a desktop (WAYLAND_DISPLAY or DISPLAY set) opens the review window,\n"
    "which shows the statements and prints or e-mails them; its runs count for the\n"
    "exit status as the preview's own.\n";

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
  bool resend = false;
  bool export_journal = false;
  bool verbose = false;
  bool no_window = false;
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
    } else if (a == "--resend") {
      o.resend = true;
    } else if (a == "--export-journal") {
      o.export_journal = true;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--no-window") {
      o.no_window = true;
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

// "dunmerrow: TEXT" on standard error, made safe for the terminal.
void Fail(const std::string& text) {
  std::fprintf(stderr, "dunmerrow: %s\n", platform::TerminalText(text).c_str());
}

constexpr const char* kStateOrder[] = {"previewed", "printed", "written", "sent", "waiting",
                                       "failed"};
constexpr const char* kSharedReasons[] = {"no valid e-mail address", "already in the outbox",
                                          "already sent"};

bool MeantToBeSent(int32_t destination) {
  return destination == contracts::kDestinationEmail ||
         destination == contracts::kDestinationEmailAndOutbox;
}

// What the run produced, on standard output: the preview's file, how many
// statements and pages, one line per state with its count, the statements
// that wait or failed (the first ten unless `verbose`), and the register.
void ShowSummary(const SessionOutcome& session, const OutputOptions& output, bool verbose) {
  using contracts::DeliveryState;
  const component::RunOutcome& run = session.run;
  int pages = 0;
  std::vector<std::string> files;
  // "waiting: no valid e-mail address" -> 85, in the order of kStateOrder.
  std::map<std::pair<int, std::string>, int> states;
  std::vector<const component::OwnerOutcome*> problems;
  for (const component::OwnerOutcome& owner : run.owners) {
    pages += owner.pages;
    const DeliveryState state = owner.delivery.state;
    const bool listed = state == DeliveryState::kWaiting || state == DeliveryState::kFailed ||
                        state == DeliveryState::kNone;
    if (listed) problems.push_back(&owner);
    // Counted by why, where the reason is one that many statements share.
    const std::string& reason = owner.delivery.reason;
    const bool by_reason = std::find(std::begin(kSharedReasons), std::end(kSharedReasons),
                                     reason) != std::end(kSharedReasons);
    const std::string name = StateName(state);
    const int order = static_cast<int>(
        std::find(std::begin(kStateOrder), std::end(kStateOrder), name) - std::begin(kStateOrder));
    ++states[{order, by_reason ? name + ": " + reason : name}];
    const std::string& file = owner.delivery.file;
    if (!contracts::IsEmailDestination(owner.destination) && !file.empty() &&
        std::find(files.begin(), files.end(), file) == files.end()) {
      files.push_back(file);
    }
  }
  for (const std::string& file : files) std::printf("%s\n", file.c_str());
  std::printf("%zu statements, %d pages%s\n", run.owners.size(), pages,
              output.render ? "" : " laid out (no PDF written)");
  for (const auto& [state, count] : states) std::printf("  %d %s\n", count, state.second.c_str());
  const size_t shown = verbose ? problems.size() : std::min<size_t>(problems.size(), 10);
  for (size_t i = 0; i < shown; ++i) {
    const component::OwnerOutcome& owner = *problems[i];
    const std::string reason = owner.delivery.reason.empty()
                                   ? "not delivered: the run stopped first"
                                   : owner.delivery.reason;
    std::printf("  %s %s: %s\n", platform::TerminalText(owner.owner_code).c_str(),
                platform::TerminalText(owner.owner_name).c_str(),
                platform::TerminalText(reason).c_str());
  }
  if (shown < problems.size()) {
    std::printf("  ... and %zu more (--verbose lists them all)\n", problems.size() - shown);
  }
  if (!session.journal_path.empty()) std::printf("Journal: %s\n", session.journal_path.c_str());
  if (!session.register_path.empty()) std::printf("Register: %s\n", session.register_path.c_str());
}

// The warnings of a completed run, one line each on standard error.
void ShowWarnings(const SessionOutcome& session) {
  if (const std::string warning = session.reconciliation.Warning(); !warning.empty()) {
    std::fprintf(stderr, "dunmerrow: warning: %s\n", platform::TerminalText(warning).c_str());
  }
  if (session.data_problems > 0) {
    const std::string date = session.run.report_date->ToIso().substr(0, 10);
    std::fprintf(stderr,
                 "dunmerrow: warning: the owners and disbursements of %s have %d data "
                 "problem%s; 'dunmerrow check-database --date %s' lists them\n",
                 date.c_str(), session.data_problems, session.data_problems == 1 ? "" : "s",
                 date.c_str());
  }
}

// The exit status of a run that did not stop: 3 when statements meant to be
// sent were not.
int CompletedStatus(const component::RunOutcome& run) {
  for (const component::OwnerOutcome& owner : run.owners) {
    if (MeantToBeSent(owner.destination) &&
        owner.delivery.state == contracts::DeliveryState::kWaiting) {
      return 3;
    }
  }
  return 0;
}

// Whether there is a desktop to show a window on.
bool DesktopDisplaySet() {
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// The exit status of a run started from the review window.
int WindowRunStatus(const std::optional<SessionOutcome>& run, int preview_status) {
  if (!run) return preview_status;
  if (run->run.failure) return 1;
  return CompletedStatus(run->run);
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
  output.resend = o.resend;
  output.export_journal = o.export_journal;
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
    Fail(e.description());
    return 1;
  }
  StartSession(platform::WriteMessageToStderr);
  if (!o.app_folder.empty()) Registry::SetOverride("Settings", "apppath", o.app_folder);
  if (!o.database.empty()) UseDatabase(o.database);
  // A preview on a desktop ends in the review window, which shows the pages
  // the engine laid out.
  const bool window = !o.no_window && output.render &&
                      output.destination == contracts::kDestinationPreview &&
                      ReviewWindowBuilt() && DesktopDisplaySet();
  output.keep_preview = window;
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
    SessionOutcome outcome = session.Print(o.definition);
    progress.Finish();
    if (outcome.run.failure && !outcome.run.failure->shown) {
      // A failure the run's own message did not show: say it here.
      Fail(outcome.run.failure->description);
    }
    if (outcome.run.failure) {
      // What a stopped run did is in its register; the counts are not news.
      if (!outcome.register_path.empty()) {
        std::fprintf(stderr, "dunmerrow: what the run did is in %s\n",
                     outcome.register_path.c_str());
      }
      // The window shows what was printed before the stop, and why.
      if (window) ShowReviewWindow(session, o.definition, outcome);
      return 1;
    }
    ShowSummary(outcome, output, o.verbose);
    ShowWarnings(outcome);
    int status = CompletedStatus(outcome.run);
    if (window) {
      const ReviewResult review = ShowReviewWindow(session, o.definition, outcome);
      if (review.shown) {
        platform::CloseTrace();
        return WindowRunStatus(review.last_run, status);
      }
    }
    if (output.render && output.destination == contracts::kDestinationPreview && AskToPrint()) {
      outcome = session.PressPrintButton();
      if (outcome.run.failure) return 1;
    }
    platform::CloseTrace();
    return status;
  } catch (const core::ComError& e) {
    progress.Finish();
    Fail(e.description());
    return 1;
  }
}

}  // namespace app
