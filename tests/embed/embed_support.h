// Helpers of the embedding tests: a scratch folder, commands run through the
// shell, and a demo portfolio made by the real `dunmerrow demo-data`.
#ifndef DUNMERROW_TESTS_EMBED_EMBED_SUPPORT_H_
#define DUNMERROW_TESTS_EMBED_EMBED_SUPPORT_H_

#include <filesystem>
#include <string>

namespace embed {

// A fresh folder for the running test, under the system's temporary folder.
std::filesystem::path ScratchFolder();

// `text` quoted for the shell.
std::string Quoted(const std::string& text);

struct CommandResult {
  int status = -1;  // the exit status, -1 when the command did not exit
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `command_line` with /bin/sh in `folder`, standard input empty.
CommandResult Run(const std::string& command_line, const std::filesystem::path& folder);

std::string ReadFile(const std::filesystem::path& path);

// Writes a demo portfolio of `properties` properties to `folder` with the
// `dunmerrow` command `program`; returns its latest disbursement date
// ("YYYY-MM-DD"), or "" with `error` set when that failed. `env` goes before
// the command (variable assignments).
std::string MakeDemo(const std::string& env, const std::string& program,
                     const std::filesystem::path& folder, int properties, std::string& error);

}  // namespace embed

#endif  // DUNMERROW_TESTS_EMBED_EMBED_SUPPORT_H_
