// An in-memory fake of the database engine: recordsets over rows the test
// supplies, and a database that answers each query with the rows registered
// for a text it contains.
#ifndef DUNMERROW_TESTS_SUPPORT_FAKE_DATABASE_H_
#define DUNMERROW_TESTS_SUPPORT_FAKE_DATABASE_H_

#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contracts/database.h"
#include "core/com_error.h"

namespace testing_support {

using Row = std::map<std::string, core::Variant>;

class FakeRecordset : public contracts::Recordset {
 public:
  explicit FakeRecordset(std::vector<Row> rows) : rows_(std::move(rows)) {}
  bool IsEOF() override { return position_ >= rows_.size(); }
  bool IsBOF() override { return rows_.empty(); }
  void MoveNext() override {
    Current();
    ++position_;
  }
  void Close() override {}
  core::Variant Field(const std::string& name) override {
    const auto it = Current().find(name);
    if (it == Current().end()) {
      throw core::ComError(3265, "Item not found in this collection: '" + name + "'", "Fake");
    }
    return it->second;
  }
  int FieldCount() override { return rows_.empty() ? 0 : static_cast<int>(rows_[0].size()); }
  std::string FieldName(int index) override { return std::next(rows_.at(0).begin(), index)->first; }

 private:
  const Row& Current() const {
    if (position_ >= rows_.size()) throw core::ComError(3021, "No current record.", "Fake");
    return rows_[position_];
  }
  std::vector<Row> rows_;
  size_t position_ = 0;
};

class FakeDatabase : public contracts::Database {
 public:
  // Queries containing `text` yield `rows` (the first registration that
  // matches wins); others fail as a missing table would.
  void Answer(const std::string& text, std::vector<Row> rows) {
    answers_.emplace_back(text, std::move(rows));
  }
  std::shared_ptr<contracts::Recordset> OpenRecordset(const std::string& sql, int16_t, int16_t,
                                                      int16_t) override {
    for (const auto& [text, rows] : answers_) {
      if (sql.find(text) != std::string::npos) return std::make_shared<FakeRecordset>(rows);
    }
    throw core::ComError(3078, "The fake database has no answer for: " + sql, "Fake");
  }

 private:
  std::vector<std::pair<std::string, std::vector<Row>>> answers_;
};

// Opens the same FakeDatabase for every path, recording the paths.
class FakeDBEngine : public contracts::DBEngine {
 public:
  explicit FakeDBEngine(std::shared_ptr<FakeDatabase> db) : db_(std::move(db)) {}
  std::shared_ptr<contracts::Database> OpenDatabase(const std::string& path, bool, bool,
                                                    const std::string&) override {
    opened.push_back(path);
    return db_;
  }
  std::vector<std::string> opened;

 private:
  std::shared_ptr<FakeDatabase> db_;
};

}  // namespace testing_support

#endif  // DUNMERROW_TESTS_SUPPORT_FAKE_DATABASE_H_
