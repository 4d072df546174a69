// The embedding tests' helpers.
#include "embed_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace embed {

namespace fs = std::filesystem;

fs::path ScratchFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const fs::path folder =
      fs::temp_directory_path() / ("dunmerrow-embed-" + std::to_string(::getpid()) + "-" +
                                   info->test_suite_name() + "-" + info->name());
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

CommandResult Run(const std::string& command_line, const fs::path& folder) {
  const fs::path out = folder / ".command-out";
  const fs::path err = folder / ".command-err";
  const std::string cmd = "cd " + Quoted(folder.string()) + " && " + command_line +
                          " </dev/null >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
  CommandResult result;
  const int raw = std::system(cmd.c_str());
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  fs::remove(out);
  fs::remove(err);
  return result;
}

std::string MakeDemo(const std::string& env, const std::string& program, const fs::path& folder,
                     int properties, std::string& error) {
  const CommandResult r =
      Run(env + " " + Quoted(program) + " demo-data --out " + Quoted(folder.string()) +
              " --properties " + std::to_string(properties),
          folder.parent_path());
  const std::string marker = "latest disbursement date: ";
  const size_t at = r.out.find(marker);
  if (r.status != 0 || at == std::string::npos) {
    error = "demo-data failed (status " + std::to_string(r.status) + "): " + r.err + r.out;
    return "";
  }
  return r.out.substr(at + marker.size(), 10);
}

}  // namespace embed
