// `lp` runs without a shell, so no file or printer name is ever interpreted,
// and in a process group of its own, so that a hung `lp` and whatever it
// started can be killed together.
#include "engines/report/printer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/com_error.h"

extern char** environ;

namespace report_engine {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Reads what `lp` says until it closes its output or the deadline passes;
// false on the deadline.
bool ReadUntilClosed(int fd, Clock::time_point deadline, std::string& output) {
  char buffer[512];
  for (;;) {
    pollfd pfd{fd, POLLIN, 0};
    const int ready = poll(&pfd, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return false;
    if (ready < 0) return true;  // nothing more to read; the exit status decides
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    output.append(buffer, static_cast<size_t>(n));
  }
}

// Waits for `pid` until the deadline; false when it is still running.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return true;
    if (MillisecondsLeft(deadline) == 0) return false;
    usleep(10'000);
  }
}

}  // namespace

void SubmitToPrinter(const std::string& pdf_path, const std::string& printer,
                     std::chrono::seconds timeout) {
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

  const std::string printer_name = printer.empty() ? std::string("(default)") : printer;
  const std::string kept = "; the statements are in " + pdf_path;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    throw core::ComError(core::kErrPrinter,
                         std::string("cannot start lp: ") + std::strerror(errno) + kept,
                         "Vintrel.Report");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "lp", &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (spawned != 0) {
    close(pipe_fds[0]);
    throw core::ComError(
        core::kErrPrinter,
        (spawned == ENOENT ? std::string("cannot print: the lp command (CUPS) is not installed")
                           : std::string("cannot start lp: ") + std::strerror(spawned)) +
            kept,
        "Vintrel.Report");
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  std::string output;
  int status = 0;
  const bool finished =
      ReadUntilClosed(pipe_fds[0], deadline, output) && WaitUntil(pid, deadline, status);
  close(pipe_fds[0]);
  if (!finished) {
    kill(-pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    throw core::ComError(core::kErrPrinter,
                         "the printer " + printer_name + " did not take the statements within " +
                             std::to_string(timeout.count()) + " s" + kept,
                         "Vintrel.Report");
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  throw core::ComError(core::kErrPrinter,
                       "the printer " + printer_name + " did not take the statements: " +
                           (output.empty() ? "lp failed" : output) + kept,
                       "Vintrel.Report");
}

}  // namespace report_engine
