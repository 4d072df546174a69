// Importing Jet files: recognising them, and reading them in a child process
// so that a damaged file cannot take the caller down with the reader.
#include "engines/jet/mdb_import.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "core/com_error.h"
#include "engines/jet/host_database.h"
#include "engines/jet/mdb_reader.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"

namespace jet {

FileFormat DetectFileFormat(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) return FileFormat::kMissing;
  if (!std::filesystem::is_regular_file(status)) return FileFormat::kUnreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return FileFormat::kUnreadable;
  char header[32] = {};
  in.read(header, sizeof header);
  const auto got = static_cast<size_t>(in.gcount());
  if (got == 0) return FileFormat::kEmpty;
  if (got >= 16 && std::memcmp(header, "SQLite format 3", 16) == 0) return FileFormat::kSqlite;
  if (got >= 19 && header[0] == 0 && header[1] == 1 && header[2] == 0 && header[3] == 0 &&
      (std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
       std::memcmp(header + 4, "Standard ACE DB", 15) == 0))
    return FileFormat::kJet;
  return FileFormat::kOther;
}
namespace {

// The child's exit status when it failed and wrote why; any other failure
// (a crash, or exit() called inside libmdb) means the reader gave up.
constexpr int kChildReported = 3;

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
  throw core::ComError(kErrUnrecognizedFormat,
                       "The Jet database '" + path + "' is damaged: " + what + ".", kJetSource);
}

// The child's side: imports into the SQLite file `temp` and reports a failure
// as "number\ndescription" on `report`. Never returns.
[[noreturn]] void RunChild(const std::string& path, const std::string& temp, int report) {
  const int devnull = ::open("/dev/null", O_WRONLY);
  if (devnull >= 0) ::dup2(devnull, STDERR_FILENO);  // libmdb's warnings on damaged pages
  std::string message;
  try {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(temp.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> file(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK) RaiseSqliteError(raw, rc, "'" + temp + "'");
    sqlite3_exec(raw, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    ReadMdbInto(path, raw);
  } catch (const core::ComError& e) {
    message = std::to_string(e.number()) + "\n" + e.description();
  } catch (const std::exception& e) {
    message = std::to_string(kErrUnrecognizedFormat) + "\n" + e.what();
  }
  for (size_t done = 0; done < message.size();) {
    const ssize_t n = ::write(report, message.data() + done, message.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::_exit(message.empty() ? 0 : kChildReported);
}

// Waits for the child; its report, or a ComError when it crashed, exited
// strangely or ran past `timeout`.
std::string WaitForChild(const std::string& path, pid_t child, int report,
                         std::chrono::milliseconds timeout) {
  std::string message;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd fd{report, POLLIN, 0};
    const int ready = left.count() > 0 ? ::poll(&fd, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      Damaged(path, "reading it did not finish within " +
                        (timeout.count() % 1000 == 0
                             ? std::to_string(timeout.count() / 1000) + " seconds"
                             : std::to_string(timeout.count()) + " milliseconds"));
    }
    char buffer[4096];
    const ssize_t n = ::read(report, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    message.append(buffer, static_cast<size_t>(n));
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status))
    Damaged(path, "reading it failed (signal " + std::to_string(WTERMSIG(status)) + ")");
  const bool reported = WIFEXITED(status) && WEXITSTATUS(status) == kChildReported;
  const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0 && message.empty();
  if (!reported && !succeeded)
    Damaged(path, "reading it failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")");
  return message;
}

void CopyInto(const std::string& temp, sqlite3* db) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(temp.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> file(raw, sqlite3_close_v2);
  if (rc != SQLITE_OK) RaiseSqliteError(raw, rc, "'" + temp + "'");
  sqlite3_backup* backup = sqlite3_backup_init(db, "main", raw, "main");
  if (backup == nullptr) RaiseSqliteError(db, sqlite3_errcode(db), "'" + temp + "'");
  sqlite3_backup_step(backup, -1);
  rc = sqlite3_backup_finish(backup);
  if (rc != SQLITE_OK) RaiseSqliteError(db, rc, "'" + temp + "'");
}

// An index for each key of the host schema. A host's SQLite file has them
// from its PRIMARY KEYs, and the component looks tenancies, owners and
// properties up by them; without them each look-up reads the whole table. A
// Jet file's keys are not carried over, and plain indexes never refuse the
// duplicates a damaged file may hold.
std::vector<std::string> KeyIndexStatements() {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> schema(raw, sqlite3_close_v2);
  std::vector<std::string> statements;
  sqlite3_stmt* keys = nullptr;
  if (sqlite3_exec(raw, HostSchemaSql(), nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(raw,
                         "SELECT m.name, group_concat(i.name, ',') FROM sqlite_master AS m, "
                         "pragma_index_list(m.name) AS l, pragma_index_info(l.name) AS i "
                         "WHERE m.type = 'table' AND l.origin = 'pk' GROUP BY l.name "
                         "ORDER BY m.name",
                         -1, &keys, nullptr) != SQLITE_OK)
    return statements;
  while (sqlite3_step(keys) == SQLITE_ROW) {
    const std::string table = reinterpret_cast<const char*>(sqlite3_column_text(keys, 0));
    std::string columns = reinterpret_cast<const char*>(sqlite3_column_text(keys, 1));
    std::string quoted;
    for (size_t start = 0; start <= columns.size();) {
      const size_t comma = std::min(columns.find(',', start), columns.size());
      quoted += (quoted.empty() ? "" : ", ") + QuoteName(columns.substr(start, comma - start));
      start = comma + 1;
    }
    std::replace(columns.begin(), columns.end(), ',', '_');
    statements.push_back("CREATE INDEX " + QuoteName(table + "_by_" + columns) + " ON " +
                         QuoteName(table) + " (" + quoted + ")");
  }
  sqlite3_finalize(keys);
  return statements;
}

}  // namespace

void RaiseUnreadableFile(const std::string& path, FileFormat format, const char* wanted) {
  switch (format) {
    case FileFormat::kMissing:
      throw core::ComError(kErrCannotOpen, "Could not find file '" + path + "'.", kJetSource);
    case FileFormat::kUnreadable:
      throw core::ComError(kErrCannotOpen, "Cannot open the file '" + path + "' for reading.",
                           kJetSource);
    case FileFormat::kEmpty:
      throw core::ComError(kErrUnrecognizedFormat,
                           "Unrecognized database format '" + path + "': the file is empty.",
                           kJetSource);
    default:
      throw core::ComError(kErrUnrecognizedFormat,
                           "Unrecognized database format '" + path + "': not " + wanted + ".",
                           kJetSource);
  }
}

void AddHostIndexesAndView(sqlite3* db) {
  std::vector<std::string> statements = KeyIndexStatements();
  for (std::string& statement : SplitStatements(HostSchemaSql())) {
    if (statement.rfind("CREATE INDEX", 0) == 0 || statement.rfind("CREATE VIEW", 0) == 0)
      statements.push_back(std::move(statement));
  }
  for (const std::string& statement : statements) {
    sqlite3_exec(db, "SAVEPOINT schema_part", nullptr, nullptr, nullptr);
    bool ok = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok && statement.rfind("CREATE VIEW", 0) == 0) {
      ok = sqlite3_exec(db, "SELECT * FROM extra_fees_view LIMIT 0", nullptr, nullptr, nullptr) ==
           SQLITE_OK;
    }
    if (!ok) sqlite3_exec(db, "ROLLBACK TO schema_part", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "RELEASE schema_part", nullptr, nullptr, nullptr);
  }
}

void ImportMdb(const std::string& path, sqlite3* db, std::chrono::milliseconds timeout) {
  if (const FileFormat format = DetectFileFormat(path); format != FileFormat::kJet)
    RaiseUnreadableFile(path, format, "a Jet database file");
  if (timeout.count() <= 0) {
    std::error_code ec;
    const auto megabytes = static_cast<int64_t>(std::filesystem::file_size(path, ec) >> 20);
    timeout = std::chrono::seconds(60 + 10 * megabytes);
  }
  // libmdb trusts the file: on damaged pages it can crash or loop for ever.
  // It therefore reads in a child process, which hands over a SQLite file.
  std::string temp = (std::filesystem::temp_directory_path() / "dunmerrow-import-XXXXXX").string();
  const int temp_fd = ::mkstemp(temp.data());
  if (temp_fd < 0)
    throw core::ComError(kErrCannotOpen, "Cannot create a temporary file to import '" + path + "'",
                         kJetSource);
  ::close(temp_fd);
  struct RemoveTemp {
    std::string path;
    ~RemoveTemp() { ::unlink(path.c_str()); }
  } remove_temp{temp};
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0)
    throw core::ComError(kErrCannotOpen, "Cannot start reading '" + path + "'", kJetSource);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    RunChild(path, temp, fds[1]);
  }
  ::close(fds[1]);
  if (child < 0) {
    ::close(fds[0]);
    throw core::ComError(kErrCannotOpen, "Cannot start reading '" + path + "'", kJetSource);
  }
  std::string report;
  try {
    report = WaitForChild(path, child, fds[0], timeout);
  } catch (...) {
    ::close(fds[0]);
    throw;
  }
  ::close(fds[0]);
  if (!report.empty()) {
    const size_t newline = report.find('\n');
    const int number = std::atoi(report.substr(0, newline).c_str());
    throw core::ComError(number != 0 ? number : kErrUnrecognizedFormat,
                         newline == std::string::npos ? report : report.substr(newline + 1),
                         kJetSource);
  }
  CopyInto(temp, db);
}

void ImportMdbToFile(const std::string& mdb_path, const std::string& out_path) {
  std::error_code ec;
  if (std::filesystem::equivalent(mdb_path, out_path, ec))
    throw core::ComError(kErrCannotOpen, "'" + out_path + "' is the file being imported.",
                         kJetSource);
  sqlite3* memory = nullptr;
  sqlite3_open_v2(":memory:", &memory, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> memory_db(memory, sqlite3_close_v2);
  ImportMdb(mdb_path, memory);

  const std::string temp = out_path + ".importing";
  std::filesystem::remove(temp, ec);
  sqlite3* file = nullptr;
  int rc =
      sqlite3_open_v2(temp.c_str(), &file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> file_db(file, sqlite3_close_v2);
  if (rc == SQLITE_OK) {
    sqlite3_backup* backup = sqlite3_backup_init(file, "main", memory, "main");
    if (backup == nullptr) {
      rc = sqlite3_errcode(file);
    } else {
      sqlite3_backup_step(backup, -1);
      rc = sqlite3_backup_finish(backup);
    }
  }
  const std::string message = file ? sqlite3_errmsg(file) : sqlite3_errstr(rc);
  file_db.reset();
  ec.clear();
  if (rc == SQLITE_OK) std::filesystem::rename(temp, out_path, ec);
  if (rc != SQLITE_OK || ec) {
    std::filesystem::remove(temp, ec);
    throw core::ComError(
        kErrCannotOpen,
        "Cannot write '" + out_path + "': " + (rc != SQLITE_OK ? message : ec.message()),
        kJetSource);
  }
}

}  // namespace jet
