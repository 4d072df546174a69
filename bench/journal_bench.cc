// The transactions section at scale: one owner with 100,000 journal lines
// against 2,000 accounts. Times the whole run (real database engine, report
// engine laying out without PDF) and then the component's own work alone:
// the same queries answered from memory and a report engine that does
// nothing. Prints both and the share of the run that is the component's.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "component/cls_report.h"
#include "data/registry.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "engines/report/report_engine.h"
#include "platform/message_box.h"
#include "platform/object_factory.h"
#include "platform/regional.h"

namespace {

constexpr int kLines = 100000;
constexpr int kAccounts = 2000;
constexpr int kProperties = 50;

// ---- Queries answered from memory ----

struct Table {
  std::vector<std::string> names;
  std::vector<std::vector<core::Variant>> rows;
};

class MemoryRecordset : public contracts::Recordset {
 public:
  explicit MemoryRecordset(std::shared_ptr<const Table> t) : t_(std::move(t)) {
    for (size_t i = 0; i < t_->names.size(); ++i) index_.emplace(t_->names[i], i);
  }
  bool IsEOF() override { return pos_ >= t_->rows.size(); }
  bool IsBOF() override { return t_->rows.empty(); }
  void MoveNext() override { ++pos_; }
  void Close() override {}
  core::Variant Field(const std::string& name) override {
    auto it = index_.find(name);
    if (it == index_.end()) throw core::ComError(3265, "no column " + name);
    return t_->rows[pos_][it->second];
  }
  int FieldCount() override { return static_cast<int>(t_->names.size()); }
  std::string FieldName(int i) override { return t_->names[static_cast<size_t>(i)]; }

 private:
  std::shared_ptr<const Table> t_;
  std::unordered_map<std::string, size_t> index_;
  size_t pos_ = 0;
};

// Records every result of the real database, then answers from memory.
class ReplayDatabase : public contracts::Database {
 public:
  explicit ReplayDatabase(std::shared_ptr<contracts::Database> real) : real_(std::move(real)) {}
  std::shared_ptr<contracts::Recordset> OpenRecordset(const std::string& sql, int16_t type,
                                                      int16_t options, int16_t lock) override {
    auto it = cache_.find(sql);
    if (it == cache_.end()) {
      auto rs = real_->OpenRecordset(sql, type, options, lock);
      auto table = std::make_shared<Table>();
      for (int i = 0; i < rs->FieldCount(); ++i) table->names.push_back(rs->FieldName(i));
      for (; !rs->IsEOF(); rs->MoveNext()) {
        std::vector<core::Variant> row;
        for (const std::string& n : table->names) row.push_back(rs->Field(n));
        table->rows.push_back(std::move(row));
      }
      it = cache_.emplace(sql, std::move(table)).first;
    }
    return std::make_shared<MemoryRecordset>(it->second);
  }

 private:
  std::shared_ptr<contracts::Database> real_;
  std::map<std::string, std::shared_ptr<const Table>> cache_;
};

class ReplayEngine : public contracts::DBEngine {
 public:
  std::shared_ptr<contracts::Database> OpenDatabase(const std::string& path, bool, bool,
                                                    const std::string&) override {
    if (!db_) db_ = std::make_shared<ReplayDatabase>(jet::CreateDBEngine()->OpenDatabase(path, false, true, ""));
    return db_;
  }

 private:
  std::shared_ptr<ReplayDatabase> db_;
};

// ---- A report engine that does nothing ----

class NullField : public contracts::ReportField {
 public:
  explicit NullField(std::string n) : name_(std::move(n)) {}
  std::string Name() const override { return name_; }
  void SetText(const std::string& t) override { text_ = t; }
  std::string Text() const override { return text_; }
  void SetDefaultText(const std::string&) override {}
  void SetStyle(int32_t) override {}
  int32_t Top() const override { return 0; }
  void SetTop(int32_t) override {}
  int32_t Width() const override { return 1000; }
  void SetWidth(int32_t) override {}
  void SetLeft(int32_t) override {}
  void SetHeight(int32_t) override {}

 private:
  std::string name_, text_;
};

class NullSection : public contracts::ReportSection {
 public:
  explicit NullSection(std::string n) : name_(std::move(n)) {}
  std::shared_ptr<contracts::ReportField> Fields(const std::string& name) override {
    auto& f = fields_[name];
    if (!f) f = std::make_shared<NullField>(name);
    return f;
  }
  std::shared_ptr<contracts::ReportField> Fields(int16_t) override { return Fields("?"); }
  int32_t FieldCount() const override { return 0; }
  int32_t Height() const override { return 0; }
  void SetHeight(int32_t) override {}
  std::string Name() const override { return name_; }
  void Clear() override {
    for (auto& [n, f] : fields_) f->SetText("");
  }
  std::shared_ptr<contracts::ReportField> AddField(const std::string& name) override {
    return Fields(name);
  }

 private:
  std::string name_;
  std::map<std::string, std::shared_ptr<NullField>> fields_;
};

class NullReport : public contracts::Report {
 public:
  bool LoadDefinition(const std::string&) override { return true; }
  std::shared_ptr<contracts::ReportSection> Sections(const std::string& name) override {
    auto& s = sections_[name];
    if (!s) s = std::make_shared<NullSection>(name);
    return s;
  }
  void PrintSection(const std::string&) override { ++copies; }
  void NewPage() override {}
  int16_t PageHasOutput() override { return copies > 0 ? 1 : 0; }
  int32_t Destination() const override { return 0; }
  void SetDestination(int32_t) override {}
  void SetEmailTo(const std::string&) override {}
  void SetEmailSubject(const std::string&) override {}
  void EndReport() override {}
  std::string FitText(contracts::ReportField&, std::string&) override { return ""; }
  void Advise(contracts::ReportEvents*) override {}
  long copies = 0;

 private:
  std::map<std::string, std::shared_ptr<NullSection>> sections_;
};

// ---- The portfolio ----

void BuildDatabase(const std::string& path) {
  jet::CreateHostDatabase(path);
  std::mt19937 random(7);
  std::string sql =
      "insert into options (PrintName, PrintAddress, TaxExpense, TaxIncome, TaxDisburse, "
      "Rent_Group) values (0, 0, -1, -1, -1, 'A0000');"
      "insert into owner (code, name, street1) values ('BIG', 'Big Owner', '1 Long Rd');"
      "insert into disbursement (owner, date, amount, fees, tax) values "
      "('BIG', '2009-03-31 00:00:00', 1, 0, 0), ('BIG', '2009-04-18 00:00:00', 1000, 100, 10);";
  for (int p = 0; p < kProperties; ++p) {
    sql += "insert into property (code, ownercode, Address1, [sale value]) values ('P" +
           std::to_string(100 + p) + "', 'BIG', '" + std::to_string(p) + " Long Rd', 0);";
  }
  char code[16];
  for (int a = 0; a < kAccounts; ++a) {
    std::snprintf(code, sizeof code, "A%04d", a);
    const bool excluded = random() % 10 == 0;
    sql += std::string("insert into glcodes (gl_code, description, type, BalanceDate, "
                       "exclude_disburse, pay_to_owner) values ('") + code + "', 'Account " +
           code + "', " + (a % 2 ? "2" : "1") + ", '2009-01-01 00:00:00', " +
           (excluded ? "-1" : "0") + ", " + (random() % 2 ? "-1" : "0") + ");";
  }
  for (int i = 0; i < kLines; ++i) {
    std::snprintf(code, sizeof code, "A%04d", static_cast<int>(random() % kAccounts));
    const std::string property = "P" + std::to_string(100 + random() % kProperties);
    const std::string date = "2009-04-" + std::to_string(10 + random() % 9) + " 00:00:00";
    const std::string amount = std::to_string(static_cast<double>(random() % 100000) / 100.0);
    if (i % 3 == 0) {
      sql += "insert into Expenses ([property code], Date, Amount, tax, [Expense Group], "
             "counter_gl, description) values ('" + property + "', '" + date + "', " + amount +
             ", 1.5, '" + code + "', 'BANK', 'Line " + std::to_string(i) + "');";
    } else {
      sql += "insert into Revenues (tenant_code, [property code], Date, Amount, tax, counter_gl, "
             "[Revenue Group], description) values ('T1', '" + property + "', '" + date + "', " +
             amount + ", 2.5, 'BANK', '" + code + "', 'Line " + std::to_string(i) + "');";
    }
  }
  jet::ExecuteSql(path, sql);
}

double RunOnce() {
  auto report = std::make_shared<clsReport>();
  report->SetParam("DateTo", core::Variant(core::Date::FromCivil(2009, 4, 18)));
  report->SetParam("bNotes", true);
  const auto start = std::chrono::steady_clock::now();
  report->PrintReport("OwnerStatement");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double BestOf(int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) best = std::min(best, RunOnce());
  return best;
}

}  // namespace

int main() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("dunmerrow-journal-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  setenv("QUELLORY_MACHINE_SETTINGS", (dir / "machine.ini").c_str(), 1);
  setenv("QUELLORY_USER_SETTINGS", (dir / "user.ini").c_str(), 1);
  setenv("DUNMERROW_HOME", DUNMERROW_DEFINITIONS_DIR, 1);
  platform::SetLocale("en_AU");
  platform::SetMessageSink([](const std::string& text, const std::string& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  });
  Registry::SetOverride("Settings", "apppath", dir.string());
  std::printf("building %d journal lines against %d accounts...\n", kLines, kAccounts);
  BuildDatabase((dir / "property.mdb").string());

  report_engine::EngineOptions options;
  options.render = false;
  options.output_folder = (dir / "out").string();
  platform::RegisterFactory(contracts::kDBEngineProgId, [] { return jet::CreateDBEngine(); });
  platform::RegisterFactory(contracts::kReportProgId,
                            [options] { return report_engine::CreateReport(options); });
  const double full = BestOf(3);

  auto replay = std::make_shared<ReplayEngine>();
  platform::RegisterFactory(contracts::kDBEngineProgId, [replay] { return replay; });
  platform::RegisterFactory(contracts::kReportProgId, [] { return std::make_shared<NullReport>(); });
  RunOnce();  // records every query's rows
  const double own = BestOf(3);

  std::printf("whole run (database, layout, no PDF): %.3f s\n", full);
  std::printf("the component's own work alone:       %.3f s\n", own);
  std::printf("share of the run: %.1f %% (target: under 10 %%)\n", 100.0 * own / full);
  std::filesystem::remove_all(dir);
  return 0;
}
