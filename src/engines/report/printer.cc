// `lp` runs without a shell, so no file or printer name is ever interpreted.
#include "engines/report/printer.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/com_error.h"

extern char** environ;

namespace report_engine {

void SubmitToPrinter(const std::string& pdf_path, const std::string& printer) {
  std::vector<std::string> args = {"lp", "-t", "Statements"};
  if (!printer.empty()) {
    args.push_back("-d");
    args.push_back(printer);
  }
  args.push_back("--");
  args.push_back(pdf_path);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) {
    throw core::ComError(core::kErrFileNotFound,
                         std::string("cannot start lp: ") + std::strerror(errno), "Vintrel.Report");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "lp", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  const std::string kept = "; the statements are in " + pdf_path;
  if (spawned != 0) {
    close(pipe_fds[0]);
    throw core::ComError(
        core::kErrFileNotFound,
        (spawned == ENOENT ? std::string("cannot print: the lp command (CUPS) is not installed")
                           : std::string("cannot start lp: ") + std::strerror(spawned)) +
            kept,
        "Vintrel.Report");
  }
  std::string output;
  char buffer[512];
  for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    output.append(buffer, static_cast<size_t>(n));
  }
  close(pipe_fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  throw core::ComError(
      core::kErrFileNotFound,
      "the printer " + (printer.empty() ? std::string("(default)") : printer) +
          " did not take the statements: " + (output.empty() ? "lp failed" : output) + kept,
      "Vintrel.Report");
}

}  // namespace report_engine
