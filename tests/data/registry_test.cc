// The host's settings: the machine hive when usable, the per-user store
// otherwise, the once-per-thread test, and the registry reads and writes.
#include "data/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::HKEY_LOCAL_MACHINE;

constexpr uid_t kNobody = 65534;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(dir_.c_str(), 0755);
    fs::create_directory(dir_ + "/machine");
    env_.Settings(machine_, user_);
  }
  void TearDown() override { Registry::ClearOverrides(); }

  // Module state is per thread: each scenario starts on a fresh one.
  static void OnNewThread(const std::function<void()>& body) { std::thread(body).join(); }

  void WriteMachine(const std::string& text) { platform::WriteFileAtomically(machine_, text); }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  const std::string dir_ = folder_.path().string();
  const std::string machine_ = dir_ + "/machine/registry.ini", user_ = dir_ + "/user/settings.ini";
};

// The overrides answer first, then the machine hive. Reading never writes: the
// machine file, CRLF line ends and comments included, stays byte for byte
// and alone.
TEST_F(RegistryTest, OverridesThenAUsableMachineHiveAnswerAndNothingIsWritten) {
  const std::string machine =
      "; machine settings\r\n[SOFTWARE\\Quellory\\Settings]\r\napppath=/srv/quellory\r\n"
      "Networkable=dword:00000105\r\nDatabaseLocation=vbNullString";
  WriteMachine(machine);
  platform::SaveSetting("Quellory", "Settings", "ReportLogo", "/home/logo.bmp");
  platform::SaveSetting("Quellory", "Settings", "apppath", "/home/user");
  Registry::SetOverride("Settings", "DatabaseLocation", "/tmp/run/db.sqlite");
  OnNewThread([] {
    EXPECT_TRUE(Registry::RegistryUsable());
    EXPECT_EQ(Registry::GetRegSetting("SETTINGS", "databaseLocation", "d"), "/tmp/run/db.sqlite");
    EXPECT_EQ(Registry::GetRegSetting("Settings", "apppath", "d"), "/srv/quellory");
    EXPECT_EQ(Registry::GetRegSetting("settings", "NETWORKABLE", "0"), "261");
    // Missing from the machine hive: the default, not the per-user value.
    EXPECT_EQ(Registry::GetRegSetting("Settings", "ReportLogo", "default.bmp"), "default.bmp");
  });
  Registry::ClearOverrides();
  OnNewThread([] { EXPECT_EQ(Registry::GetRegSetting("Settings", "DatabaseLocation", "d"), ""); });
  EXPECT_EQ(platform::ReadFile(machine_), machine);
  EXPECT_EQ(testing_support::FilesUnder(dir_ + "/machine"),
            std::vector<std::string>{"registry.ini"});
}

// A usable hive stays the source for the thread even when it goes away; a
// new thread decides again, reads the per-user store and creates nothing.
TEST_F(RegistryTest, HiveIsTestedOncePerThreadAndWithoutItThePerUserStoreAnswers) {
  WriteMachine("[SOFTWARE\\Quellory\\Settings]\napppath=/srv/quellory\n");
  platform::SaveSetting("Quellory", "Settings", "apppath", "/home/user");
  platform::SaveSetting("Quellory", "Configure", "ReportLogo", "vbNullString");
  OnNewThread([this] {
    EXPECT_EQ(Registry::GetRegSetting("Settings", "apppath", ""), "/srv/quellory");
    fs::remove_all(dir_ + "/machine");
    EXPECT_EQ(Registry::GetRegSetting("Settings", "apppath", "d"), "d") << "tested again";
  });
  OnNewThread([] {
    EXPECT_FALSE(Registry::RegistryUsable());
    EXPECT_EQ(Registry::GetRegSetting("Settings", "apppath", "d"), "/home/user");
    EXPECT_EQ(Registry::GetRegSetting("Configure", "ReportLogo", "d"), "");
    EXPECT_EQ(Registry::GetRegSetting("Settings", "Networkable", "0"), "0");
  });
  EXPECT_FALSE(fs::exists(dir_ + "/machine"));
}

// An ordinary user who may read but not write the machine hive reads every
// setting from the per-user store. The superuser may write anywhere, so the
// check runs as an ordinary user.
TEST_F(RegistryTest, ReadOnlyMachineHiveFallsBackToPerUserStore) {
  WriteMachine("[SOFTWARE\\Quellory\\Settings]\napppath=/srv/quellory\n");
  chmod(machine_.c_str(), 0644);
  chmod((dir_ + "/machine").c_str(), 0555);
  platform::SaveSetting("Quellory", "Settings", "apppath", "/home/user/quellory");
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) std::exit(10);
        std::string value;
        if (Registry::RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Settings", "apppath",
                                    value)) {
          std::exit(11);
        }
        if (Registry::RegistryUsable()) std::exit(12);
        if (Registry::GetRegSetting("Settings", "apppath", "d") != "/home/user/quellory") {
          std::exit(13);
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

// A value read into `value` replaces it, or empties it when the read fails;
// a value of another type leaves it as it was.
TEST_F(RegistryTest, ReadStringLimitsAndTypes) {
  WriteMachine("[SOFTWARE\\Quellory\\Settings]\nfits=" + std::string(1024, 'y') +
               "\ntoo_long=" + std::string(1025, 'x') +
               "\nzero_terminated=\"abc\\0\"\nempty=\nnegative=dword:ffffffff\nbinary=hex:01,02\n");
  const struct {
    const char* key;
    const char* name;
    bool read;
    std::string value;
  } cases[] = {
      {"Settings", "fits", true, std::string(1024, 'y')}, {"Settings", "too_long", false, ""},
      {"Settings", "zero_terminated", true, "abc"},       {"Settings", "empty", true, ""},
      {"Settings", "negative", true, "-1"},               {"Settings", "binary", true, "kept"},
      {"Settings", "missing", false, ""},                 {"Nobody", "a", false, ""},
  };
  for (const auto& c : cases) {
    std::string value = "kept";
    const std::string key = std::string("SOFTWARE\\Quellory\\") + c.key;
    EXPECT_EQ(Registry::RegReadString(HKEY_LOCAL_MACHINE, key, c.name, value), c.read) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
}

TEST_F(RegistryTest, WriteStringStoresTextAndReportsTheFailingStep) {
  EXPECT_EQ(Registry::RegWriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Mail", "From",
                                     "office@example.com"),
            0);
  EXPECT_EQ(platform::ReadFile(machine_), "[SOFTWARE\\Quellory\\Mail]\nFrom=office@example.com\n");
  env_.Set("QUELLORY_MACHINE_SETTINGS", dir_ + "/absent/registry.ini");
  EXPECT_EQ(Registry::RegWriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory", "a", "b"),
            platform::ERROR_PATH_NOT_FOUND);
}

}  // namespace
