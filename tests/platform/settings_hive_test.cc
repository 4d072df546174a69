// The settings hive through its registry calls and the per-user store, on
// real files in a temporary folder.
#include "platform/settings_hive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/com_error.h"
#include "platform/files.h"
#include "test_support.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::ExpectComError;

constexpr char kSettings[] = "SOFTWARE\\Quellory\\Settings";

LONG SetValue(HKEY key, const char* name, DWORD type, const std::string& data) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
}

class SettingsHiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(dir_.c_str(), 0755);  // other users may look in, not write
    env_.Settings(machine_, user_);
  }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  const std::string dir_ = folder_.path().string();
  const std::string machine_ = JoinPath(dir_, "registry.ini");
  const std::string user_ = JoinPath(dir_, "user/settings.ini");
};

// Typed reads through these calls are the registry reads' tests
// (tests/data/registry_test.cc); here what they cannot see.
TEST_F(SettingsHiveTest, WritesAndReadsValuesThroughKeys) {
  HKEY key{};
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kSettings, &key), ERROR_SUCCESS);
  ASSERT_EQ(SetValue(key, "apppath", REG_SZ, "/srv/q"), ERROR_SUCCESS);
  ASSERT_EQ(SetValue(key, "Networkable", REG_DWORD, std::string("\x05\x01\0\0", 4)), ERROR_SUCCESS);
  EXPECT_EQ(SetValue(key, "Short", REG_DWORD, "\x05\x01"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadFile(machine_),
            "[SOFTWARE\\Quellory\\Settings]\napppath=/srv/q\nNetworkable=dword:00000105\n");
  BYTE buffer[8];
  DWORD size = 3;
  EXPECT_EQ(RegQueryValueExA(key, "apppath", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, buffer, &size),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Other", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  // A key path is a line of its own in the file.
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\a\nb", &key), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(key, HKEY{});
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(SetValue(key, "x", REG_SZ, "y"), ERROR_ACCESS_DENIED);
  HKEY child{};
  EXPECT_EQ(RegOpenKeyExA(key, "Quellory\\Settings", 0, KEY_READ, &child), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(key);
}

// Reading never writes: a missing hive folder has no keys and stays missing,
// a missing per-user store gives the default and is not created.
TEST_F(SettingsHiveTest, ReadingAMissingHiveCreatesNothing) {
  env_.Set("QUELLORY_MACHINE_SETTINGS", JoinPath(dir_, "absent/registry.ini"));
  HKEY key{};
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Settings", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetSetting("Quellory", "Settings", "apppath", "fallback"), "fallback");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(SettingsHiveTest, PerUserStoreCreatesAndKeepsEntries) {
  SaveSetting("Quellory", "Settings", "apppath", "/home/q");
  SaveSetting("Quellory", "Mail", "Server", "smtp.example");
  SaveSetting("Quellory", "settings", "APPPATH", "/home/q2");
  EXPECT_EQ(GetSetting("Quellory", "Mail", "Missing", "fallback"), "fallback");
  EXPECT_EQ(ReadFile(user_), "[Settings]\napppath=/home/q2\n\n[Mail]\nServer=smtp.example\n");

  // HKEY_CURRENT_USER is the same store, its sections being keys.
  HKEY key{};
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Mail", 0, KEY_READ, &key), ERROR_SUCCESS);
  BYTE buffer[32];
  DWORD size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "server", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), "smtp.example");
  RegCloseKey(key);

  EXPECT_EQ(GetSetting("../escape", "Settings", "apppath", "default"), "default");
  ExpectComError(core::kErrInvalidCall, "'../escape'",
                 [] { SaveSetting("../escape", "Settings", "apppath", "x"); });
  ExpectComError(core::kErrInvalidCall, "control characters",
                 [] { SaveSetting("Quellory", "Settings]\n[Mail", "apppath", "x"); });
  // A store that cannot be written raises naming the file.
  env_.Set("QUELLORY_USER_SETTINGS", "/proc/quellory/settings.ini");
  ExpectComError(core::kErrPathFileAccess, "/proc/quellory",
                 [] { SaveSetting("Quellory", "Settings", "apppath", "x"); });
}

TEST_F(SettingsHiveTest, StorePathsFallBack) {
  env_.Unset("QUELLORY_MACHINE_SETTINGS");
  EXPECT_EQ(MachineHivePath(), "/etc/quellory/registry.ini");
  env_.Unset("QUELLORY_USER_SETTINGS");
  env_.Unset("XDG_CONFIG_HOME");
  env_.Set("HOME", dir_);
  EXPECT_EQ(UserSettingsPath(), JoinPath(dir_, ".config/quellory/settings.ini"));
  const std::string config = JoinPath(dir_, "config");
  env_.Set("XDG_CONFIG_HOME", config);
  EXPECT_EQ(UserSettingsPath(), JoinPath(config, "quellory/settings.ini"));
  SaveSetting("Quellory", "Configure", "ReportLogo", "/srv/logo.bmp");
  EXPECT_EQ(GetSetting("Quellory", "Configure", "ReportLogo", ""), "/srv/logo.bmp");
  EXPECT_TRUE(PlainFileExists(JoinPath(config, "quellory/settings.ini")));
}

TEST_F(SettingsHiveTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kValuesEach = 25;
  const auto name = [](int w, int i) { return "w" + std::to_string(w) + "_" + std::to_string(i); };
  pid_t children[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    children[w] = fork();
    ASSERT_GE(children[w], 0);
    if (children[w] > 0) continue;
    try {
      for (int i = 0; i < kValuesEach; ++i) {
        SaveSetting("Quellory", "Settings", name(w, i), std::to_string(i));
      }
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValuesEach; ++i) {
      EXPECT_EQ(GetSetting("Quellory", "Settings", name(w, i), "lost"), std::to_string(i));
    }
  }
}

}  // namespace
}  // namespace platform
