// The in-memory fake of the database engine.
#include "fake_database.h"

#include "core/com_error.h"

namespace testing_support {

void FakeRecordset::MoveNext() {
  if (IsEOF()) throw core::ComError(3021, "No current record.", "Fake");
  ++position_;
}

core::Variant FakeRecordset::Field(const std::string& name) {
  if (IsEOF()) throw core::ComError(3021, "No current record.", "Fake");
  auto it = rows_[position_].find(name);
  if (it == rows_[position_].end()) {
    throw core::ComError(3265, "Item not found in this collection: '" + name + "'", "Fake");
  }
  return it->second;
}

int FakeRecordset::FieldCount() { return rows_.empty() ? 0 : static_cast<int>(rows_[0].size()); }

std::string FakeRecordset::FieldName(int index) {
  auto it = rows_.at(0).begin();
  std::advance(it, index);
  return it->first;
}

std::shared_ptr<contracts::Recordset> FakeDatabase::OpenRecordset(const std::string& sql, int16_t,
                                                                  int16_t, int16_t) {
  queries.push_back(sql);
  for (const auto& [text, rows] : answers_) {
    if (sql.find(text) != std::string::npos) return std::make_shared<FakeRecordset>(rows);
  }
  throw core::ComError(3078, "The fake database has no answer for: " + sql, "Fake");
}

}  // namespace testing_support
