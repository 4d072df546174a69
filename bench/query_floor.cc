// The query floor: replays a DUNMERROW_QUERY_LOG straight against SQLite
// (prepare, step every row, read every column) and prints the least time.
//
//   query_floor DATABASE QUERY_LOG [REPEATS]
//
// Prints one line "query floor: S seconds, U cpu seconds, N statements, R rows,
// C cells, T distinct texts" with S the fastest wall time and U the least
// processor time of REPEATS replays (default 3); a statement text met before
// reuses its prepared statement, as any sound implementation would, so the
// figure is the cost of the data alone.
#include <sqlite3.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The log writes each statement on one line with newlines as \n and \r.
std::string UnescapeNewlines(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == 'r')) {
      out += line[i + 1] == 'n' ? '\n' : '\r';
      ++i;
    } else {
      out += line[i];
    }
  }
  return out;
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Counts {
  long statements = 0;
  long rows = 0;
  long cells = 0;
  // Keeps the reads from being optimised away.
  unsigned long checksum = 0;
};

class Replayer {
 public:
  explicit Replayer(sqlite3* db) : db_(db) {}
  ~Replayer() {
    for (auto& [text, stmt] : prepared_) sqlite3_finalize(stmt);
  }
  Replayer(const Replayer&) = delete;
  Replayer& operator=(const Replayer&) = delete;

  // Returns false, after saying which statement failed, on any SQLite error.
  bool Run(const std::string& sql, Counts& counts) {
    sqlite3_stmt* stmt = Statement(sql);
    if (stmt == nullptr) return false;
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      ++counts.rows;
      for (int c = 0; c < columns; ++c) ReadCell(stmt, c, counts);
    }
    sqlite3_reset(stmt);
    ++counts.statements;
    if (rc != SQLITE_DONE) {
      std::fprintf(stderr, "query_floor: %s\n  in: %s\n", sqlite3_errmsg(db_), sql.c_str());
      return false;
    }
    return true;
  }

  size_t distinct() const { return prepared_.size(); }

 private:
  sqlite3_stmt* Statement(const std::string& sql) {
    if (auto it = prepared_.find(sql); it != prepared_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
      std::fprintf(stderr, "query_floor: %s\n  in: %s\n", sqlite3_errmsg(db_), sql.c_str());
      return nullptr;
    }
    prepared_.emplace(sql, stmt);
    return stmt;
  }

  static void ReadCell(sqlite3_stmt* stmt, int column, Counts& counts) {
    ++counts.cells;
    switch (sqlite3_column_type(stmt, column)) {
      case SQLITE_INTEGER:
        counts.checksum += static_cast<unsigned long>(sqlite3_column_int64(stmt, column));
        break;
      case SQLITE_FLOAT:
        counts.checksum += static_cast<unsigned long>(sqlite3_column_double(stmt, column));
        break;
      case SQLITE_TEXT:
        sqlite3_column_text(stmt, column);
        counts.checksum += static_cast<unsigned long>(sqlite3_column_bytes(stmt, column));
        break;
      case SQLITE_BLOB:
        sqlite3_column_blob(stmt, column);
        counts.checksum += static_cast<unsigned long>(sqlite3_column_bytes(stmt, column));
        break;
      default:
        break;
    }
  }

  sqlite3* db_;
  std::unordered_map<std::string, sqlite3_stmt*> prepared_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "Usage: query_floor DATABASE QUERY_LOG [REPEATS]\n");
    return 2;
  }
  const int repeats = argc == 4 ? std::max(1, std::atoi(argv[3])) : 3;

  std::vector<std::string> statements;
  {
    std::ifstream log(argv[2]);
    if (!log) {
      std::fprintf(stderr, "query_floor: cannot read the query log '%s'\n", argv[2]);
      return 1;
    }
    for (std::string line; std::getline(log, line);) {
      if (!line.empty()) statements.push_back(UnescapeNewlines(line));
    }
  }

  double best = -1;
  double best_cpu = -1;
  Counts counts;
  size_t distinct = 0;
  for (int r = 0; r < repeats; ++r) {
    // A fresh connection each time, as a run opens the database afresh; the
    // file's pages are in the operating system's cache after the first.
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "query_floor: cannot open '%s': %s\n", argv[1], sqlite3_errmsg(db));
      sqlite3_close_v2(db);
      return 1;
    }
    counts = Counts{};
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = CpuSeconds();
    bool ok = true;
    {
      Replayer replayer(db);
      for (const std::string& sql : statements) {
        if (!replayer.Run(sql, counts)) {
          ok = false;
          break;
        }
      }
      distinct = replayer.distinct();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpu_start;
    sqlite3_close_v2(db);
    if (!ok) return 1;
    if (best < 0 || seconds < best) best = seconds;
    if (best_cpu < 0 || cpu < best_cpu) best_cpu = cpu;
  }
  std::printf(
      "query floor: %.4f seconds, %.4f cpu seconds, %ld statements, %ld rows, %ld cells, %zu "
      "distinct texts"
      " (checksum %lu)\n",
      best, best_cpu, counts.statements, counts.rows, counts.cells, distinct, counts.checksum);
  return 0;
}
