// A fresh folder per test, removed afterwards, and file helpers for checks.
#ifndef DUNMERROW_TESTS_ENGINES_JET_TEMP_FOLDER_H_
#define DUNMERROW_TESTS_ENGINES_JET_TEMP_FOLDER_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace jet {

class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::path(::testing::TempDir()) /
            ("jet_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string FixturePath(const std::string& name) {
  return std::string(DUNMERROW_SOURCE_DIR) + "/../shared/fixtures/mdb/" + name;
}

}  // namespace jet

#endif  // DUNMERROW_TESTS_ENGINES_JET_TEMP_FOLDER_H_
