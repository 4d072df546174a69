// `dunmerrow import`: copies a Jet (.mdb) database into a SQLite file.
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "core/com_error.h"
#include "engines/jet/mdb_import.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow import FILE.mdb OUT.sqlite\n"
    "\n"
    "Copies every table of the Jet database FILE.mdb into a new SQLite file\n"
    "OUT.sqlite in the host's storage conventions, with the indexes the\n"
    "statements need. FILE.mdb is only read; OUT.sqlite is replaced whole.\n";

}  // namespace

int RunImport(const Args& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg.size() > 1 && arg[0] == '-') return UsageError("import: unknown option '" + arg + "'");
  }
  if (args.size() != 2) return UsageError("import: needs FILE.mdb and OUT.sqlite");
  try {
    jet::ImportMdbToFile(args[0], args[1]);
    return 0;
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow import: %s\n", e.description().c_str());
    return 1;
  }
}

}  // namespace app
