// The host's settings: the machine hive when usable, the per-user store
// otherwise, the once-per-thread test, and the registry reads and writes.
#include "data/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::HKEY_LOCAL_MACHINE;

constexpr uid_t kNobody = 65534;
constexpr char kSettings[] = "SOFTWARE\\Quellory\\Settings";

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

// The overrides answer first, then a usable machine hive, which stays the
// source for the thread even when it goes away; a new thread decides again,
// reads the per-user store and creates nothing, and a write says which step
// failed. Reading leaving the file alone is checked end to end.
TEST_F(RegistryTest, OverridesThenAHiveTestedOncePerThreadThenThePerUserStoreAnswer) {
  WriteMachine(
      "[SOFTWARE\\Quellory\\Settings]\napppath=/srv/quellory\nNetworkable=dword:00000105\n"
      "DatabaseLocation=vbNullString");
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
  OnNewThread([this] {
    EXPECT_EQ(Registry::GetRegSetting("Settings", "DatabaseLocation", "d"), "");
    fs::remove_all(dir_ + "/machine");
    EXPECT_EQ(Registry::GetRegSetting("Settings", "apppath", "d"), "d") << "tested again";
  });
  OnNewThread([] {
    EXPECT_FALSE(Registry::RegistryUsable());
    EXPECT_EQ(Registry::GetRegSetting("Settings", "apppath", "d"), "/home/user");
    EXPECT_EQ(Registry::GetRegSetting("Settings", "Networkable", "0"), "0");
  });
  EXPECT_EQ(Registry::RegWriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory", "a", "b"),
            platform::ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(fs::exists(dir_ + "/machine"));
}

// An ordinary user who may read but not write the machine hive opens its keys
// for reading only and reads every setting from the per-user store. The
// superuser may write anywhere, so the check runs as an ordinary user.
TEST_F(RegistryTest, ReadOnlyMachineHiveOpensForReadingAndFallsBackToPerUserStore) {
  WriteMachine("[SOFTWARE\\Quellory\\Settings]\napppath=/srv/quellory\n");
  chmod(machine_.c_str(), 0644);
  chmod((dir_ + "/machine").c_str(), 0555);
  platform::SaveSetting("Quellory", "Settings", "apppath", "/home/user/quellory");
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) std::exit(10);
        platform::HKEY key{};
        const int write =
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, platform::KEY_ALL_ACCESS, &key);
        const int create = RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellory\\Test", &key);
        const int open = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, platform::KEY_READ, &key);
        std::string value;
        const bool read = Registry::RegReadString(HKEY_LOCAL_MACHINE, kSettings, "apppath", value);
        std::fprintf(stderr, "write %d create %d open %d read %d usable %d apppath %s\n", write,
                     create, open, read, Registry::RegistryUsable(),
                     Registry::GetRegSetting("Settings", "apppath", "d").c_str());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      "write 5 create 5 open 0 read 0 usable 0 apppath /home/user/quellory\n");
}

// A value read into `value` replaces it, or empties it when the read fails;
// a value of another type leaves it as it was.
TEST_F(RegistryTest, ReadStringLimitsAndTypes) {
  WriteMachine("[SOFTWARE\\Quellory\\Settings]\nfits=" + std::string(1024, 'y') +
               "\ntoo_long=" + std::string(1025, 'x') +
               "\nzero_terminated=\"abc\\0\"\nempty=\nnegative=dword:ffffffff\nbinary=hex:01,02\n");
  const struct {
    const char* name;
    bool read;
    std::string value;
  } cases[] = {
      {"fits", true, std::string(1024, 'y')}, {"too_long", false, ""},
      {"zero_terminated", true, "abc"},       {"empty", true, ""},
      {"negative", true, "-1"},               {"binary", true, "kept"},
      {"missing", false, ""},
  };
  for (const auto& c : cases) {
    std::string value = "kept";
    EXPECT_EQ(Registry::RegReadString(HKEY_LOCAL_MACHINE, kSettings, c.name, value), c.read)
        << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
  std::string value = "kept";
  EXPECT_FALSE(Registry::RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", "a", value));
  EXPECT_EQ(value, "");
}

}  // namespace
