// Fuzz target: the .mdb import on damaged copies of the real Jet fixture
// files. The input chooses a fixture, where to cut it short and which bytes
// to overwrite, so that the fuzzer reaches deep into libmdb's reading while
// the file stays mostly well-formed. The import either copies the tables or
// raises its error naming the file; it never crashes or hangs, even
// where libmdb itself would.
//
// Input: byte 0 picks the fixture; byte 1, when not zero, keeps that many
// 256ths of the file; then groups of four bytes, a 24-bit little-endian
// offset (modulo the file's size) and the byte to write there.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "engines/jet/mdb_import.h"

namespace {

// The smaller fixtures: each import stays well under a second.
const char* const kFixtures[] = {"testV1997.mdb", "test2V2003.mdb", "testUnicodeCompV2003.mdb",
                                 "DateTestDatabase.mdb"};
constexpr size_t kFixtureCount = sizeof kFixtures / sizeof kFixtures[0];

std::string FixtureFolder() {
  const char* folder = std::getenv("DUNMERROW_MDB_FIXTURES");
  if (folder && *folder) return folder;
  return std::string(DUNMERROW_SOURCE_DIR) + "/../shared/fixtures/mdb";
}

const std::vector<char>& Fixture(size_t index) {
  static std::vector<std::vector<char>> loaded(kFixtureCount);
  std::vector<char>& bytes = loaded[index];
  if (bytes.empty()) {
    std::ifstream file(FixtureFolder() + "/" + kFixtures[index], std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (bytes.empty()) std::abort();  // the fixtures are part of the test set-up
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::vector<char> bytes = Fixture(data[0] % kFixtureCount);
  if (data[1] != 0) bytes.resize(bytes.size() * data[1] / 256);
  if (bytes.empty()) return 0;
  for (size_t i = 2; i + 4 <= size; i += 4) {
    const size_t offset = data[i] | (data[i + 1] << 8) | (data[i + 2] << 16);
    bytes[offset % bytes.size()] = static_cast<char>(data[i + 3]);
  }

  static const std::string path = "/tmp/dunmerrow-fuzz-mdb-" + std::to_string(getpid()) + ".mdb";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) std::abort();
  try {
    // The reader runs in a child process under this limit, so that a file
    // that keeps libmdb busy is an error too, well before the fuzzer's own
    // timeout.
    jet::ImportMdb(path, db, std::chrono::milliseconds(2000));
  } catch (const core::ComError& error) {
    if (error.description().find(path) == std::string::npos) __builtin_trap();
  }
  sqlite3_close(db);
  unlink(path.c_str());
  return 0;
}
