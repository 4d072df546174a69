// Installation: `cmake --install` into a scratch prefix, directly and staged,
// and the pkg-config file a host builds with. The installed copy at work is
// surface_check.py's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Quoted;

class InstallTest : public ::testing::Test {
 protected:
  // Installs into `prefix_`, below `stage` unless that is empty.
  void Install(const fs::path& stage) {
    const auto installed = testing_support::RunCommand(
        (stage.empty() ? "" : "DESTDIR=" + Quoted(stage) + " ") + Quoted(DUNMERROW_CMAKE_COMMAND) +
        " --install " + Quoted(DUNMERROW_BUILD_DIR) + " --prefix " + Quoted(prefix_) + " 2>&1");
    ASSERT_EQ(installed.status, 0) << installed.output;
  }

  std::string PkgConfig(const std::string& args) {
    auto r = testing_support::RunCommand("PKG_CONFIG_PATH=" + Quoted(libdir_ / "pkgconfig") +
                                         " pkg-config " + args + " dunmerrow");
    EXPECT_EQ(r.status, 0) << args;
    while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == ' ')) {
      r.output.pop_back();
    }
    return r.output;
  }

  testing_support::ScratchFolder scratch_;
  const fs::path prefix_ = scratch_.path() / "prefix";
  const fs::path libdir_ = prefix_ / DUNMERROW_INSTALL_LIBDIR;
};

// Staged or not, the same files in the same places, and a pkg-config file
// that names the final prefix.
TEST_F(InstallTest, InstallsTheLibraryWithItsDefinitionsAndAPkgConfigFile) {
  for (const fs::path& stage : {scratch_.path() / "stage", fs::path()}) {
    SCOPED_TRACE(stage.empty() ? "installed" : "staged");
    ASSERT_NO_FATAL_FAILURE(Install(stage));
    const fs::path root = stage.empty() ? prefix_ : stage / prefix_.relative_path();
    const fs::path libdir = root / DUNMERROW_INSTALL_LIBDIR;
    const fs::path component = libdir / "dunmerrow";
    EXPECT_EQ(fs::exists(prefix_), stage.empty());
    for (const char* name : {"OwnerStatement.rdn", "reportlogo.bmp", "libdunmerrow.so.0"}) {
      EXPECT_TRUE(fs::is_regular_file(component / name)) << name;
    }
    // The usual names lead to the library's real file in the component's folder.
    for (const char* name : {"libdunmerrow.so", "libdunmerrow.so.0"}) {
      ASSERT_TRUE(fs::is_symlink(libdir / name)) << name;
      EXPECT_EQ(fs::canonical(libdir / name), fs::canonical(component / "libdunmerrow.so.0"));
    }
    EXPECT_TRUE(fs::is_regular_file(root / "include" / "dunmerrow" / "dunmerrow.h"));
    EXPECT_TRUE(fs::is_regular_file(root / "bin" / "dunmerrow"));
    EXPECT_TRUE(fs::is_regular_file(root / "share" / "doc" / "dunmerrow" / "examples" / "host.c"));
    const std::string pc = testing_support::ReadFile(libdir / "pkgconfig" / "dunmerrow.pc");
    EXPECT_NE(pc.find("prefix=" + prefix_.string() + "\n"), std::string::npos) << pc;
    if (!stage.empty()) {
      EXPECT_EQ(pc.find(stage.string()), std::string::npos) << pc;
    }
  }
  EXPECT_EQ(PkgConfig("--variable=libdir"), libdir_.string());
  EXPECT_EQ(PkgConfig("--variable=componentdir"), (libdir_ / "dunmerrow").string());
  EXPECT_EQ(PkgConfig("--cflags"), "-I" + (prefix_ / "include").string());
  EXPECT_EQ(PkgConfig("--libs"), "-L" + libdir_.string() + " -ldunmerrow");
}

}  // namespace
