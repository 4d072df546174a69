// The `dunmerrow` command: picks the subcommand from one table, which also
// makes the help text, and hands it the rest of the arguments.
#include <cstdio>
#include <string>

#include "app/commands.h"

namespace {

struct Command {
  const char* name;
  const char* usage;  // the name with its action words, as the help shows it
  const char* summary;
  int (*run)(const app::Args&);
};

constexpr Command kCommands[] = {
    {"statements", "statements", "print the owner statements of a date", app::RunStatements},
    {"demo-data", "demo-data", "write a demo portfolio database and its settings",
     app::RunDemoData},
    {"import", "import", "copy a .mdb database into a SQLite file", app::RunImport},
    {"check-definition", "check-definition", "check a report definition (.rdn) file",
     app::RunCheckDefinition},
    {"outbox", "outbox send|status", "send the e-mailed statements waiting, or tell what waits",
     app::RunOutbox},
    {"settings", "settings get|set", "read or write a host setting", app::RunSettings},
    {"check-database", "check-database", "list the rows of the data that would make statements wrong",
     app::RunCheckDatabase},
};

void PrintUsage(std::FILE* to) {
  std::fputs("Usage: dunmerrow COMMAND [OPTIONS]\n\nCommands:\n", to);
  for (const Command& command : kCommands) {
    std::fprintf(to, "  %-19s %s\n", command.usage, command.summary);
  }
  std::fputs("\nRun 'dunmerrow COMMAND --help' for the options of a command.\n", to);
}

}  // namespace

namespace app {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "dunmerrow: %s\nTry 'dunmerrow --help'.\n", message.c_str());
  return 2;
}

}  // namespace app

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  const app::Args args(argv + 2, argv + argc);
  for (const Command& command : kCommands) {
    if (name == command.name) return command.run(args);
  }
  return app::UsageError("unknown command '" + name + "'");
}
