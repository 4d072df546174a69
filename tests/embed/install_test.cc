// Installation: `cmake --install` into a scratch prefix, the example host
// built there with pkg-config, and its statements compared with those of the
// installed `dunmerrow statements`.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "embed_support.h"

namespace {

namespace fs = std::filesystem;
using embed::Quoted;

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path bin(DUNMERROW_BIN_DIR);
    if (!fs::exists(bin / "dunmerrow") || !fs::exists(bin / "libdunmerrow.so")) {
      GTEST_SKIP() << "the dunmerrow command and library are not built in " << bin;
    }
    dir_ = embed::ScratchFolder();
    prefix_ = dir_ / "prefix";
    libdir_ = prefix_ / DUNMERROW_INSTALL_LIBDIR;
  }

  void TearDown() override {
    if (!dir_.empty() && !HasFailure()) fs::remove_all(dir_);
  }

  embed::CommandResult Install(const std::string& env = "") {
    return embed::Run(env + " " + Quoted(DUNMERROW_CMAKE_COMMAND) + " --install " +
                          Quoted(DUNMERROW_BUILD_DIR) + " --prefix " + Quoted(prefix_.string()),
                      dir_);
  }

  std::string PkgConfig(const std::string& args) {
    auto r = embed::Run("PKG_CONFIG_PATH=" + Quoted((libdir_ / "pkgconfig").string()) +
                            " pkg-config " + args + " dunmerrow",
                        dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == ' ')) r.out.pop_back();
    return r.out;
  }

  // The environment of a run that relies on the installation alone: no
  // component folder from outside, settings files of the test's own, a
  // fixed clock.
  std::string RunEnv() const {
    return "env -u DUNMERROW_HOME DUNMERROW_NOW=2026-12-06T10:00:00 QUELLORY_MACHINE_SETTINGS=" +
           Quoted((dir_ / "machine.ini").string()) +
           " QUELLORY_USER_SETTINGS=" + Quoted((dir_ / "user.ini").string());
  }

  fs::path dir_;
  fs::path prefix_;
  fs::path libdir_;
};

TEST_F(InstallTest, InstallsTheLibraryWithItsDefinitionsAndAPkgConfigFile) {
  const auto installed = Install();
  ASSERT_EQ(installed.status, 0) << installed.err << installed.out;

  const fs::path libdir = PkgConfig("--variable=libdir");
  EXPECT_EQ(libdir, libdir_);
  EXPECT_EQ(PkgConfig("--variable=componentdir"), (libdir / "dunmerrow").string());
  EXPECT_EQ(PkgConfig("--cflags"), "-I" + (prefix_ / "include").string());
  EXPECT_EQ(PkgConfig("--libs"), "-L" + libdir.string() + " -ldunmerrow");

  const fs::path component = libdir / "dunmerrow";
  for (const char* name : {"OwnerStatement.rdn", "reportlogo.bmp", "libdunmerrow.so.0"}) {
    EXPECT_TRUE(fs::is_regular_file(component / name)) << name;
  }
  // The usual names lead to the library's real file in the component's folder.
  for (const char* name : {"libdunmerrow.so", "libdunmerrow.so.0"}) {
    ASSERT_TRUE(fs::is_symlink(libdir / name)) << name;
    EXPECT_EQ(fs::canonical(libdir / name), fs::canonical(component / "libdunmerrow.so.0"));
  }
  EXPECT_TRUE(fs::is_regular_file(prefix_ / "include" / "dunmerrow" / "dunmerrow.h"));
  EXPECT_TRUE(fs::is_regular_file(prefix_ / "bin" / "dunmerrow"));
  EXPECT_TRUE(fs::is_regular_file(prefix_ / "share" / "doc" / "dunmerrow" / "examples" / "host.c"));
}

TEST_F(InstallTest, StagedInstallNamesTheFinalPrefix) {
  const fs::path stage = dir_ / "stage";
  const auto installed = Install("DESTDIR=" + Quoted(stage.string()));
  ASSERT_EQ(installed.status, 0) << installed.err << installed.out;
  const fs::path staged = stage / libdir_.relative_path();
  EXPECT_FALSE(fs::exists(prefix_));
  ASSERT_TRUE(fs::exists(staged / "pkgconfig" / "dunmerrow.pc"));
  const std::string pc = embed::ReadFile(staged / "pkgconfig" / "dunmerrow.pc");
  EXPECT_NE(pc.find("prefix=" + prefix_.string() + "\n"), std::string::npos) << pc;
  EXPECT_EQ(pc.find(stage.string()), std::string::npos) << pc;
  EXPECT_TRUE(fs::is_symlink(staged / "libdunmerrow.so.0"));
}

TEST_F(InstallTest, TheExampleHostPrintsWhatTheCommandPrints) {
  const auto installed = Install();
  ASSERT_EQ(installed.status, 0) << installed.err << installed.out;

  // A C program outside the tree, built only from what was installed.
  const std::string libdir = PkgConfig("--variable=libdir");
  const auto built =
      embed::Run(Quoted(DUNMERROW_C_COMPILER) +
                     " -std=c99 -Wall -Wextra -pedantic -Werror " DUNMERROW_HOST_FLAGS " " +
                     Quoted(std::string(DUNMERROW_SOURCE_DIR) + "/examples/host.c") + " -o host " +
                     PkgConfig("--cflags --libs") + " -Wl,-rpath," + Quoted(libdir),
                 dir_);
  ASSERT_EQ(built.status, 0) << built.err;

  const std::string dunmerrow = Quoted((prefix_ / "bin" / "dunmerrow").string());
  std::string error;
  const std::string date =
      embed::MakeDemo(RunEnv(), (prefix_ / "bin" / "dunmerrow").string(), dir_ / "demo", 40, error);
  ASSERT_FALSE(date.empty()) << error;

  // The same options for both; the output folder too, as the trace names
  // the files written.
  const std::string options = " --date " + date +
                              " --database demo/property.mdb --app-folder demo --out out"
                              " --locale en_AU --notes --detailed --trace ";
  const auto command =
      embed::Run(RunEnv() + " " + dunmerrow + " statements" + options + "command.jsonl", dir_);
  ASSERT_EQ(command.status, 0) << command.err;
  const fs::path pdf = dir_ / "out" / ("statements-" + date + ".pdf");
  ASSERT_TRUE(fs::exists(pdf));
  fs::rename(pdf, dir_ / "command.pdf");

  const auto host = embed::Run(RunEnv() + " ./host" + options + "host.jsonl", dir_);
  ASSERT_EQ(host.status, 0) << host.err;
  EXPECT_NE(host.out.find("statements printed, 0 message(s) shown"), std::string::npos) << host.out;

  const std::string command_trace = embed::ReadFile(dir_ / "command.jsonl");
  const std::string host_trace = embed::ReadFile(dir_ / "host.jsonl");
  EXPECT_NE(command_trace.find("{\"op\":\"section\",\"name\":\"Header\""), std::string::npos);
  EXPECT_NE(command_trace.find("\"file\":\"out/statements-" + date + ".pdf\"}"), std::string::npos);
  EXPECT_EQ(host_trace, command_trace);
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_TRUE(embed::ReadFile(pdf) == embed::ReadFile(dir_ / "command.pdf"))
      << "the two PDFs differ";
}

}  // namespace
