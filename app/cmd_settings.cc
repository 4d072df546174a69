// `dunmerrow settings get|set`: reads a host setting as the component does,
// or writes one to the per-user store or the machine hive.
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "core/com_error.h"
#include "data/registry.h"
#include "platform/settings_hive.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow settings get SECTION KEY [--default TEXT]\n"
    "       dunmerrow settings set SECTION KEY VALUE [--machine]\n"
    "Reads a host setting the way the component does (the machine settings when\n"
    "they can be written, otherwise the user's), or writes one to the user's\n"
    "settings (or with --machine to the machine settings).\n"
    "\n"
    "Sections the component reads: Settings (apppath, Networkable, DatabaseLocation)\n"
    "and Configure (ReportLogo).\n"
    "\n"
    "Exit status: 0 done; 1 the setting could not be written; 2 bad usage.\n";

std::string DescribeStatus(int32_t status) {
  switch (status) {
    case platform::ERROR_ACCESS_DENIED:
      return "access denied";
    case platform::ERROR_PATH_NOT_FOUND:
      return "its folder does not exist";
    default:
      return "error " + std::to_string(status);
  }
}

int Get(const Args& args) {
  std::string default_value;
  Args positional;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--default") {
      if (i + 1 >= args.size()) return UsageError("--default needs a value");
      default_value = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return UsageError("settings get needs SECTION and KEY");
  if (positional[0].empty() || positional[1].empty()) {
    return UsageError("SECTION and KEY must not be empty");
  }
  const std::string value = Registry::GetRegSetting(positional[0], positional[1], default_value);
  std::printf("%s\n", value.c_str());
  return 0;
}

int Set(const Args& args) {
  bool machine = false;
  Args positional;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      machine = true;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3) return UsageError("settings set needs SECTION, KEY and VALUE");
  const std::string& section = positional[0];
  const std::string& key = positional[1];
  if (section.empty() || key.empty()) return UsageError("SECTION and KEY must not be empty");
  if (machine) {
    const int32_t status = Registry::RegWriteString(
        platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\" + section, key, positional[2]);
    if (status == 0) return 0;
    std::fprintf(stderr, "dunmerrow: cannot write %s/%s to the machine settings '%s': %s\n",
                 section.c_str(), key.c_str(), platform::MachineHivePath().c_str(),
                 DescribeStatus(status).c_str());
    return 1;
  }
  try {
    platform::SaveSetting("Quellory", section, key, positional[2]);
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow: %s\n", e.description().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int RunSettings(const Args& args) {
  if (args.empty()) return UsageError("settings needs 'get' or 'set'");
  if (args[0] == "--help" || args[0] == "-h") {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (args[0] == "get") return Get(args);
  if (args[0] == "set") return Set(args);
  return UsageError("unknown settings command '" + args[0] + "'");
}

}  // namespace app
