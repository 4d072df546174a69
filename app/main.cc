// The `dunmerrow` command: picks the subcommand and hands it the rest.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/commands.h"

namespace {

constexpr char kUsage[] =
    "Usage: dunmerrow COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  statements        print the owner statements of a date\n"
    "  demo-data         write a demo portfolio database and its settings\n"
    "  import            copy a .mdb database into a SQLite file\n"
    "  check-definition  check a report definition (.rdn) file\n"
    "  outbox send       send the e-mailed statements waiting in the outbox\n"
    "  settings get|set  read or write a host setting\n"
    "  check-database    list the rows of the data that would make statements wrong\n"
    "\n"
    "Run 'dunmerrow COMMAND --help' for the options of a command.\n";

}  // namespace

namespace app {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "dunmerrow: %s\nTry 'dunmerrow --help'.\n", message.c_str());
  return 2;
}

}  // namespace app

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const app::Args args(argv + 2, argv + argc);
  if (command == "statements") return app::RunStatements(args);
  if (command == "demo-data") return app::RunDemoData(args);
  if (command == "import") return app::RunImport(args);
  if (command == "check-definition") return app::RunCheckDefinition(args);
  if (command == "outbox") return app::RunOutbox(args);
  if (command == "settings") return app::RunSettings(args);
  if (command == "check-database") return app::RunCheckDatabase(args);
  return app::UsageError("unknown command '" + command + "'");
}
