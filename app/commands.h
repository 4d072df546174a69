// The subcommands of the `dunmerrow` command. Each parses its own options
// and returns the process exit status: 0 done, 1 failed (the failure was
// shown), 2 bad usage.
#ifndef DUNMERROW_APP_COMMANDS_H_
#define DUNMERROW_APP_COMMANDS_H_

#include <string>
#include <vector>

namespace app {

using Args = std::vector<std::string>;  // the arguments after the subcommand

int RunStatements(const Args& args);
int RunDemoData(const Args& args);
int RunImport(const Args& args);
int RunCheckDefinition(const Args& args);
int RunOutbox(const Args& args);
int RunSettings(const Args& args);
// Exits 3 when it found problems in the data (see its --help).
int RunCheckDatabase(const Args& args);

// Prints "dunmerrow: MESSAGE" and a hint to standard error; returns 2.
int UsageError(const std::string& message);

}  // namespace app

#endif  // DUNMERROW_APP_COMMANDS_H_
