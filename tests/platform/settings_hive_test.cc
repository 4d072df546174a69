// The settings hive through its registry calls and the per-user store, on
// real files in a temporary folder.
#include "platform/settings_hive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "core/com_error.h"
#include "platform/files.h"
#include "test_support.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

class SettingsHiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(dir_.c_str(), 0755);  // other users may look in, not write
    env_.Settings(machine_, user_);
  }

  LONG SetText(HKEY root, const char* subkey, const char* name, const std::string& text) {
    HKEY key{};
    LONG status = RegCreateKeyA(root, subkey, &key);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()));
    RegCloseKey(key);
    return status;
  }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  const std::string dir_ = folder_.path().string();
  const std::string machine_ = JoinPath(dir_, "registry.ini");
  const std::string user_ = JoinPath(dir_, "user/settings.ini");
};

TEST_F(SettingsHiveTest, WritesAndReadsValuesThroughKeys) {
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Settings", "apppath", "/srv/q"),
            ERROR_SUCCESS);
  HKEY key{};
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Settings", &key), ERROR_SUCCESS);
  const DWORD n = 261;
  ASSERT_EQ(RegSetValueExA(key, "Networkable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "Short", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 2),
            ERROR_INVALID_PARAMETER);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ReadFile(machine_),
            "[SOFTWARE\\Quellory\\Settings]\napppath=/srv/q\nNetworkable=dword:00000105\n");

  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\quellory\\settings", 0, 0x2003F, &key),
            ERROR_SUCCESS);
  BYTE buffer[8];
  DWORD type = 0;
  DWORD size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "APPPATH", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), "/srv/q");
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "Networkable", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buffer[0] | buffer[1] << 8, 261);
  size = 3;
  EXPECT_EQ(RegQueryValueExA(key, "apppath", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Other", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  // A key path is a line of its own in the file.
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\a\nb", &key), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(key, HKEY{});
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_SZ, buffer, 1), ERROR_ACCESS_DENIED);
  HKEY child{};
  EXPECT_EQ(RegOpenKeyExA(key, "Quellory\\Settings", 0, KEY_READ, &child), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(key);
}

TEST_F(SettingsHiveTest, MissingHiveFolderHasNoKeysAndIsNotCreated) {
  env_.Set("QUELLORY_MACHINE_SETTINGS", JoinPath(dir_, "absent/registry.ini"));
  HKEY key{};
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory", &key), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(fs::exists(JoinPath(dir_, "absent")));
}

// A user who may not write the hive opens keys for reading only. Run as an
// ordinary user: the superuser may write anywhere.
TEST_F(SettingsHiveTest, HiveThatCannotBeWrittenRefusesWriteRights) {
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Settings", "apppath", "/srv/q"),
            ERROR_SUCCESS);
  const std::string locked = JoinPath(dir_, "locked");
  fs::create_directory(locked);
  fs::copy_file(machine_, JoinPath(locked, "registry.ini"));
  chmod(JoinPath(locked, "registry.ini").c_str(), 0644);
  chmod(locked.c_str(), 0555);
  env_.Set("QUELLORY_MACHINE_SETTINGS", JoinPath(locked, "registry.ini"));
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) std::exit(10);
        HKEY key{};
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Settings", 0, 0x2003F, &key) !=
            ERROR_ACCESS_DENIED) {
          std::exit(11);
        }
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Test", &key) !=
            ERROR_ACCESS_DENIED) {
          std::exit(12);
        }
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Settings", 0, KEY_READ, &key) !=
            ERROR_SUCCESS) {
          std::exit(13);
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SettingsHiveTest, PerUserStoreDefaultsCreatesAndKeepsEntries) {
  EXPECT_EQ(GetSetting("Quellory", "Settings", "apppath", "fallback"), "fallback");
  SaveSetting("Quellory", "Settings", "apppath", "/home/q");
  SaveSetting("Quellory", "Mail", "Server", "smtp.example");
  SaveSetting("Quellory", "settings", "APPPATH", "/home/q2");
  EXPECT_EQ(GetSetting("Quellory", "Settings", "apppath", "fallback"), "/home/q2");
  EXPECT_EQ(GetSetting("Quellory", "Mail", "Server", ""), "smtp.example");
  EXPECT_EQ(ReadFile(user_), "[Settings]\napppath=/home/q2\n\n[Mail]\nServer=smtp.example\n");

  // HKEY_CURRENT_USER is the same store, its sections being keys.
  HKEY key{};
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Mail", 0, KEY_READ, &key), ERROR_SUCCESS);
  char buffer[32];
  DWORD size = sizeof buffer;
  ASSERT_EQ(
      RegQueryValueExA(key, "server", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(std::string(buffer, size), "smtp.example");
  RegCloseKey(key);
}

TEST_F(SettingsHiveTest, PerUserStoreFollowsXdgConfigHome) {
  env_.Unset("QUELLORY_USER_SETTINGS");
  const std::string config = JoinPath(dir_, "config");
  env_.Set("XDG_CONFIG_HOME", config);
  EXPECT_EQ(UserSettingsPath(), JoinPath(config, "quellory/settings.ini"));
  SaveSetting("Quellory", "Configure", "ReportLogo", "/srv/logo.bmp");
  EXPECT_EQ(GetSetting("Quellory", "Configure", "ReportLogo", ""), "/srv/logo.bmp");
  EXPECT_TRUE(PlainFileExists(JoinPath(config, "quellory/settings.ini")));

  EXPECT_EQ(GetSetting("../escape", "Settings", "apppath", "default"), "default");
  using testing_support::ExpectComError;
  ExpectComError(core::kErrInvalidCall, "'../escape'",
                 [] { SaveSetting("../escape", "Settings", "apppath", "x"); });
  ExpectComError(core::kErrInvalidCall, "control characters",
                 [] { SaveSetting("Quellory", "Settings]\n[Mail", "apppath", "x"); });
  // A store that cannot be written raises naming the file.
  env_.Set("QUELLORY_USER_SETTINGS", "/proc/quellory/settings.ini");
  ExpectComError(75, "/proc/quellory", [] { SaveSetting("Quellory", "Settings", "apppath", "x"); });
}

// Writers in several processes at once: every entry survives.
TEST_F(SettingsHiveTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kValuesEach = 25;
  pid_t children[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    children[w] = fork();
    ASSERT_GE(children[w], 0);
    if (children[w] == 0) {
      for (int i = 0; i < kValuesEach; ++i) {
        const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
        try {
          SaveSetting("Quellory", "Settings", name, std::to_string(i));
        } catch (...) {
          _exit(1);
        }
      }
      _exit(0);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValuesEach; ++i) {
      const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
      EXPECT_EQ(GetSetting("Quellory", "Settings", name, "lost"), std::to_string(i)) << name;
    }
  }
}

}  // namespace
}  // namespace platform
