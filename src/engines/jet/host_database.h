// Building host databases: the demo generator, the importer and tests use
// these to write SQLite files in the host's schema. The component itself
// never calls them; it only reads.
#ifndef DUNMERROW_ENGINES_JET_HOST_DATABASE_H_
#define DUNMERROW_ENGINES_JET_HOST_DATABASE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet {

// The text of schema/host.sql, built into the library.
const char* HostSchemaSql();

// The statements of `script`, split at the semicolons that end them (a
// semicolon inside a quoted literal, name or comment does not end one);
// comments and blank statements are left out.
std::vector<std::string> SplitStatements(const std::string& script);

// Creates a new SQLite file at `path` with the host schema applied. Raises
// ComError naming the path when the file exists already or cannot be written;
// nothing is left behind on failure.
void CreateHostDatabase(const std::string& path);

// Runs the statements of `sql` (SQLite's own SQL, not the host's dialect:
// dates as 'YYYY-MM-DD HH:MM:SS', yes/no as -1/0) on the SQLite file at
// `path` in one transaction: all or nothing. Raises ComError naming the
// failing statement.
void ExecuteSql(const std::string& path, const std::string& sql);

// A new host database being filled: a SQLite file with the host schema,
// written in one transaction through prepared statements. Commit() makes
// the file whole; a writer destroyed before Commit() removes it, so a
// failure leaves no partial database behind.
class HostDatabaseWriter {
 public:
  // One prepared statement (SQLite's own SQL, with ? for each value), run
  // with a row of values at a time. Texts, whole numbers, yes/no (stored as
  // -1 and 0), doubles and Null (std::nullopt, or an empty optional text).
  class Statement {
   public:
    virtual ~Statement() = default;
    template <typename... Values>
    void Row(const Values&... values) {
      int index = 0;
      (Bind(++index, values), ...);
      Step();
    }

   protected:
    virtual void BindText(int index, const std::string& value) = 0;
    virtual void BindInteger(int index, int64_t value) = 0;
    virtual void BindDouble(int index, double value) = 0;
    virtual void BindNull(int index) = 0;
    virtual void Step() = 0;

   private:
    void Bind(int i, const std::string& v) { BindText(i, v); }
    void Bind(int i, const char* v) { BindText(i, v); }
    void Bind(int i, int v) { BindInteger(i, v); }
    void Bind(int i, int64_t v) { BindInteger(i, v); }
    void Bind(int i, bool v) { BindInteger(i, v ? -1 : 0); }
    void Bind(int i, double v) { BindDouble(i, v); }
    void Bind(int i, std::nullopt_t) { BindNull(i); }
    void Bind(int i, const std::optional<std::string>& v) {
      if (v) {
        BindText(i, *v);
      } else {
        BindNull(i);
      }
    }
  };

  // Creates `path` (which must not exist) with the host schema and starts
  // the transaction. Raises ComError naming the path.
  explicit HostDatabaseWriter(const std::string& path);
  ~HostDatabaseWriter();
  HostDatabaseWriter(const HostDatabaseWriter&) = delete;
  HostDatabaseWriter& operator=(const HostDatabaseWriter&) = delete;

  // Raises ComError naming the statement when SQLite refuses it.
  std::unique_ptr<Statement> Prepare(const std::string& sql);
  // Ends the transaction and closes the file. Raises ComError naming it.
  void Commit();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_HOST_DATABASE_H_
