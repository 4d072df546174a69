// `dunmerrow check-database`: lists the rows of the host's data that would
// make statements silently wrong, before the month's statements are run.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/commands.h"
#include "app/statement_session.h"
#include "platform/message_box.h"
#include "contracts/database.h"
#include "core/com_error.h"
#include "core/date.h"
#include "data/database_check.h"
#include "data/general.h"
#include "data/registry.h"
#include "platform/object_factory.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow check-database [--date YYYY-MM-DD] [--database PATH | --app-folder DIR]\n"
    "Lists, without changing anything, every row of the host's database that would make a\n"
    "statement silently wrong: dates that do not read as dates, empty values a statement\n"
    "needs (dates, amounts, fees and tax of disbursements, extra fees and journal lines;\n"
    "owner codes), disbursements without their owner row, journal lines without their\n"
    "property, and owner codes equal but for letter case. One line per problem on standard\n"
    "output, with the table, the row's key and the value.\n"
    "\n"
    "  --date YYYY-MM-DD   only what the statements of that date read: the owners with a\n"
    "                      disbursement on it, their disbursements, journal and tenancies\n"
    "  --database PATH     the SQLite or .mdb database to check, instead of the settings\n"
    "  --app-folder DIR    the host's folder (its property.mdb) for this check\n"
    "  --help              show this help\n"
    "\n"
    "Exit status: 0 no problems; 3 problems were found; 1 the database could not be\n"
    "opened or read; 2 bad usage.\n";

constexpr int kProblemsFound = 3;

struct Options {
  std::optional<core::Date> date;
  std::string database;
  std::string app_folder;
};

// 0 to go on, -1 after --help, otherwise the exit status.
int Parse(const Args& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return -1;
    }
    if (a != "--date" && a != "--database" && a != "--app-folder") {
      return UsageError("check-database: unknown option '" + a + "'");
    }
    if (i + 1 >= args.size()) return UsageError("check-database: option '" + a + "' needs a value");
    const std::string& value = args[++i];
    if (a == "--database") {
      o.database = value;
    } else if (a == "--app-folder") {
      o.app_folder = value;
    } else {
      o.date = core::Date::ParseIso(value);
      if (!o.date || value.size() != 10) {
        return UsageError("check-database: --date must be a date written YYYY-MM-DD, not '" +
                          value + "'");
      }
    }
  }
  if (!o.database.empty() && !o.app_folder.empty()) {
    return UsageError("check-database: give --database or --app-folder, not both");
  }
  return 0;
}

// The database named on the command line, or the one the settings find;
// null after the failure was shown.
std::shared_ptr<contracts::Database> OpenDatabase(const Options& o) {
  if (o.database.empty()) {
    if (!o.app_folder.empty()) Registry::SetOverride("Settings", "apppath", o.app_folder);
    return General::StartADO() ? General::DataDb() : nullptr;
  }
  try {
    auto engine = platform::CreateObjectAs<contracts::DBEngine>(contracts::kDBEngineProgId);
    return engine->OpenDatabase(o.database, false, true, "");
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: cannot open the database '%s': %s\n", o.database.c_str(),
                 e.description().c_str());
    return nullptr;
  }
}

}  // namespace

int RunCheckDatabase(const Args& args) {
  Options o;
  if (const int status = Parse(args, o); status != 0) return status < 0 ? 0 : status;
  StartSession(platform::WriteMessageToStderr);
  const auto db = OpenDatabase(o);
  if (!db) return 1;
  std::vector<data::Problem> problems;
  try {
    problems = data::CheckDatabase(*db, o.date);
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: the data check could not read the database: %s\n",
                 e.description().c_str());
    return 1;
  }
  for (const data::Problem& problem : problems) std::printf("%s\n", problem.Text().c_str());
  if (problems.empty()) {
    std::fprintf(stderr, "check-database: no problems found\n");
    return 0;
  }
  std::fprintf(stderr, "check-database: %zu problem%s found\n", problems.size(),
               problems.size() == 1 ? "" : "s");
  return kProblemsFound;
}

}  // namespace app
