// The C interface through the real library: bad input, ownership and
// threads, and runs on a demo portfolio read back from the trace.
#include <dunmerrow/dunmerrow.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kNoObject = DUNMERROW_E_NO_OBJECT;
constexpr int kNotFound = DUNMERROW_E_NOT_FOUND;

// A call's result and the last error read just after it, with the number and words expected.
struct Refusal {
  std::string words;
  int result;
  int number = DUNMERROW_E_INVALID_ARGUMENT;
  int last_number = dunmerrow_last_error_number();
  std::string last_description = dunmerrow_last_error_description();
};

// A text the library returned, freed when it goes.
struct Text {
  char* text = nullptr;
  ~Text() { dunmerrow_free(text); }
  std::string str() const { return text ? text : "(NULL)"; }
};

class CApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Settings(scratch_.File("machine.ini"), scratch_.File("user.ini"));
    env_.Set("DUNMERROW_NOW", "2026-12-06T10:00:00");
    // The component's folder: the real definition, and one that is broken.
    fs::create_directories(home_);
    for (const char* name : {"OwnerStatement.rdn", "reportlogo.bmp"})
      fs::copy_file(fs::path(DUNMERROW_BIN_DIR) / name, home_ / name);
    testing_support::WriteFile(home_ / "Broken.rdn", "<report page=\"A4\"><section name=");
    env_.Set("DUNMERROW_HOME", home_.string());
    ASSERT_EQ(dunmerrow_set_message_callback(&CApiTest::Record, this), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_output((dir_ / "out").c_str(), DUNMERROW_DESTINATION_NONE),
              DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_locale("en_AU"), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_report_create(&report_), DUNMERROW_OK);
  }

  void TearDown() override {
    if (report_) {
      EXPECT_EQ(dunmerrow_report_destroy(report_), DUNMERROW_OK);
    }
    dunmerrow_set_trace(nullptr);
    dunmerrow_set_message_callback(nullptr, nullptr);
  }

  static void Record(const char* text, const char* title, void* data) {
    static_cast<CApiTest*>(data)->messages_.push_back(std::string(title) + ": " + text);
  }

  // The traced events of `op`; with a `name`, only the copies of that section.
  std::vector<nlohmann::json> Trace(const std::string& op, const std::string& name = "") const {
    std::vector<nlohmann::json> events;
    std::istringstream in(testing_support::ReadFile(dir_ / "trace.jsonl"));
    for (std::string line; std::getline(in, line);) {
      auto event = nlohmann::json::parse(line);
      const bool named = name.empty() || event.value("name", "") == name;
      if (event.value("op", "") == op && named) events.push_back(event);
    }
    return events;
  }

  // The calls of a table, made in its order, each refused as it says.
  static void ExpectRefusals(const std::vector<Refusal>& refusals) {
    for (const Refusal& r : refusals) {
      EXPECT_EQ(r.result, r.number) << r.words;
      EXPECT_EQ(r.last_number, r.number) << r.words;
      EXPECT_NE(r.last_description.find(r.words), std::string::npos)
          << r.words << " in: " << r.last_description;
    }
  }

  testing_support::ScratchFolder scratch_;
  testing_support::ScopedEnvironment env_;
  const fs::path dir_ = scratch_.path();
  const fs::path home_ = dir_ / "home";
  dunmerrow_report* report_ = nullptr;
  std::vector<std::string> messages_;
};

TEST_F(CApiTest, NullsAndValuesThatAreNoValuesAreRefusedByNameAndStoreNothing) {
  int wanted = 0, has_row = 0;
  int64_t amount = 0;
  Text text;
  dunmerrow_rows* rows = nullptr;
  dunmerrow_statement statement{};
  const dunmerrow_date when{2026, 11, 30};
  const fs::path trace = dir_ / "no-such-folder" / "trace.jsonl";
  const auto set_date = [this](int year, int month, int day) {
    return dunmerrow_report_set_date(report_, "DateTo", year, month, day);
  };
  ExpectRefusals({
      {"dunmerrow_report_create: report is NULL", dunmerrow_report_create(nullptr)},
      {"report is NULL", dunmerrow_report_set_bool(nullptr, "a", 1)},
      {"name is NULL", dunmerrow_report_set_text(report_, nullptr, "b")},
      {"value is NULL", dunmerrow_report_set_text(report_, "a", nullptr)},
      {"report is NULL", dunmerrow_report_use_parameter(nullptr, "b", &wanted)},
      {"name is NULL", dunmerrow_report_use_parameter(report_, nullptr, &wanted)},
      {"wanted is NULL", dunmerrow_report_use_parameter(report_, "b", nullptr)},
      {"report is NULL", dunmerrow_report_print(nullptr, "OwnerStatement")},
      {"dunmerrow_report_print: definition is NULL", dunmerrow_report_print(report_, nullptr)},
      {"report is NULL", dunmerrow_report_press_print_button(nullptr)},
      {"report is NULL", dunmerrow_report_set_print_button_callback(nullptr, nullptr, nullptr)},
      {"section is NULL", dunmerrow_set_setting(nullptr, "apppath", "/x")},
      {"key is NULL", dunmerrow_set_setting("Settings", nullptr, "/x")},
      {"value is NULL", dunmerrow_set_setting("Settings", "apppath", nullptr)},
      {"report is NULL", dunmerrow_report_logo_filename(nullptr, &text.text)},
      {"format is NULL", dunmerrow_report_number_format(report_, nullptr)},
      {"description is NULL", dunmerrow_report_gl_description(report_, "RENT", 1, nullptr)},
      {"dunmerrow_report_paid_to_date: date is NULL",
       dunmerrow_report_paid_to_date(report_, "T1", nullptr)},
      {"rows is NULL", dunmerrow_report_journal_open(report_, "X", when, when, nullptr)},
      {"section is NULL", dunmerrow_report_print_memo_field(report_, "x", nullptr, "Notes")},
      {"dunmerrow_rows_next: rows is NULL", dunmerrow_rows_next(nullptr, &has_row)},
      {"path is NULL", dunmerrow_report_register_path(report_, nullptr)},
      {"dunmerrow_report_set_date: 2009-2-29 is not a date", set_date(2009, 2, 29)},
      {"2009-13-1 is not a date", set_date(2009, 13, 1)},
      {"10000-1-1 is not a date", set_date(10000, 1, 1)},
      {"not a finite number", dunmerrow_report_set_number(report_, "A", std::nan(""))},
      {"not a finite number", dunmerrow_report_set_number(report_, "A", HUGE_VAL)},
      {"name is empty", dunmerrow_report_set_text(report_, "", "b")},
      {"must not be empty", dunmerrow_set_setting("", "apppath", "/x")},
      {"destination 3 is not one of", dunmerrow_set_output("out", 3)},
      {"Cannot write the trace '" + trace.string() + "'", dunmerrow_set_trace(trace.c_str()), 53},
      {"dunmerrow_report_frequency_description: every is not valid UTF-8 (at byte 1)",
       dunmerrow_report_frequency_description(report_, 2, "w\xffk", &text.text)},
      {"tenant is not valid UTF-8 (at byte 2)",
       dunmerrow_report_balance_owing(report_, "T0\xc3", &amount)},
      {"from 2009-2-29 is not a date",
       dunmerrow_report_journal_open(report_, "X", {2009, 2, 29}, {}, &rows)},
      {"dunmerrow_report_statement: index 0 is not one of the 0 statements",
       dunmerrow_report_statement(report_, 0, &statement)},
  });
  EXPECT_EQ(text.text, nullptr);
  EXPECT_EQ(amount, 0);
  EXPECT_EQ(rows, nullptr);
  EXPECT_EQ(statement.owner_code, nullptr);
  // NULL is nothing to destroy or close, and a success clears the last error.
  EXPECT_EQ(dunmerrow_rows_close(nullptr), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_report_destroy(nullptr), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK);
  EXPECT_STREQ(dunmerrow_last_error_description(), "");
  // None of the refused calls took the names.
  EXPECT_EQ(dunmerrow_report_set_date(report_, "DateTo", 2008, 2, 29), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_report_set_number(report_, "A", 12.5), DUNMERROW_OK);
}

TEST_F(CApiTest, CallsOutOfTurnAreRefused) {
  ASSERT_EQ(dunmerrow_report_set_date(report_, "DateTo", 2009, 4, 20), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_set_bool(report_, "bNotes", 1), DUNMERROW_OK);
  constexpr int kSet = DUNMERROW_E_DUPLICATE_PARAMETER;
  ExpectRefusals({
      // A parameter is set once, whatever its letter case.
      {"'DATETO' is already set", dunmerrow_report_set_text(report_, "DATETO", "2009-05-01"), kSet},
      {"already set", dunmerrow_report_set_date(report_, "DateTo", 2009, 5, 1), kSet},
      {"already set", dunmerrow_report_set_bool(report_, "bnotes", 0), kSet},
      {"there is no report definition '" + (home_ / "NoSuchReport.rdn").string() + "'",
       dunmerrow_report_print(report_, "NoSuchReport"), DUNMERROW_E_DEFINITION_NOT_FOUND},
      // Nothing ran, so there is no preview or engine to act on.
      {"dunmerrow_report_press_print_button: no report has run on this object yet",
       dunmerrow_report_press_print_button(report_), kNoObject},
      {"dunmerrow_report_print_memo_field: no report has run",
       dunmerrow_report_print_memo_field(report_, "x", "Notes", "Notes"), kNoObject},
      {"dunmerrow_report_get_company_name: no report has run",
       dunmerrow_report_get_company_name(report_), kNoObject},
      {"no report has run", dunmerrow_report_print_owner_property_list(report_, "A"), kNoObject},
  });
  EXPECT_TRUE(messages_.empty());

  ASSERT_EQ(dunmerrow_report_destroy(report_), DUNMERROW_OK);
  dunmerrow_report* gone = std::exchange(report_, nullptr);
  ExpectRefusals({
      {"dunmerrow_report_print: not a live report object",
       dunmerrow_report_print(gone, "OwnerStatement"), kNoObject},
      {"not a live report object", dunmerrow_report_destroy(gone), kNoObject},
  });
}

// The host asks by exact name: letter case counts here, unlike set_text.
TEST_F(CApiTest, UseParameterAnswersTheOfferedNamesExactly) {
  const std::pair<const char*, int> kOffered[] = {
      {"bToEnabled", 1}, {"bNotes", 1}, {"bDetailed", 1}, {"bnotes", 0},
      {"BDETAILED", 0},  {"DateTo", 0}, {"", 0}};
  for (const auto& [name, expected] : kOffered) {
    int wanted = -1;
    EXPECT_EQ(dunmerrow_report_use_parameter(report_, name, &wanted), DUNMERROW_OK) << name;
    EXPECT_EQ(wanted, expected) << name;
  }
}

TEST_F(CApiTest, AnObjectBelongsToTheThreadThatCreatedIt) {
  ASSERT_EQ(dunmerrow_report_set_text(report_, "DATETO", "x"), DUNMERROW_OK);
  std::vector<int> results;
  std::string description;
  std::thread other([&] {
    results.push_back(dunmerrow_report_set_text(report_, "bNotes", "True"));
    results.push_back(dunmerrow_report_print(report_, "OwnerStatement"));
    results.push_back(dunmerrow_report_destroy(report_));
    description = dunmerrow_last_error_description();
    // The thread's own object is its to use.
    dunmerrow_report* own = nullptr;
    results.push_back(dunmerrow_report_create(&own));
    results.push_back(dunmerrow_report_set_text(own, "bNotes", "True"));
    results.push_back(dunmerrow_report_destroy(own));
  });
  other.join();
  constexpr int kOther = DUNMERROW_E_WRONG_THREAD;
  EXPECT_EQ(results, (std::vector<int>{kOther, kOther, kOther, 0, 0, 0}));
  EXPECT_NE(description.find("belongs to another thread"), std::string::npos) << description;
  // The other thread's failures are not this thread's last error, and the
  // object is untouched.
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_report_set_text(report_, "bNotes", "True"), DUNMERROW_OK);
}

// Runs on a small demo portfolio made by the real command.
class CApiRunTest : public CApiTest {
 protected:
  void SetUp() override {
    CApiTest::SetUp();
    if (HasFatalFailure()) return;
    const auto made = testing_support::RunCommand(
        testing_support::Quoted(fs::path(DUNMERROW_BIN_DIR) / "dunmerrow") + " demo-data --out " +
        testing_support::Quoted(dir_ / "demo") + " --properties 6 2>&1");
    const size_t at = made.output.find("latest disbursement date: ");
    ASSERT_TRUE(made.status == 0 && at != std::string::npos) << made.output;
    date_ = made.output.substr(at + 26, 10);
    ASSERT_EQ(std::sscanf(date_.c_str(), "%d-%d-%d", &year_, &month_, &day_), 3) << date_;
    ASSERT_EQ(dunmerrow_set_setting("Settings", "apppath", (dir_ / "demo").c_str()), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_setting("Settings", "Networkable", "1"), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_setting("Settings", "DatabaseLocation", demo_.c_str()), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_trace((dir_ / "trace.jsonl").c_str()), DUNMERROW_OK);
  }

  void SetReportDate() {
    ASSERT_EQ(dunmerrow_report_set_date(report_, "DateTo", year_, month_, day_), DUNMERROW_OK);
  }

  // Runs the report of the demo's date and keeps its first statement.
  void PrintReport() {
    SetReportDate();
    ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK)
        << dunmerrow_last_error_description();
    ASSERT_EQ(dunmerrow_report_statement(report_, 0, &first_), DUNMERROW_OK);
  }

  const fs::path demo_ = dir_ / "demo" / "property.mdb";
  std::string date_;  // the demo's latest disbursement date
  int year_ = 0, month_ = 0, day_ = 0;
  dunmerrow_statement first_{};
};

// Given as a date (a second one refused) or as text, the report date names
// the run's output.
TEST_F(CApiRunTest, TheFirstReportDateGivenNamesTheOutput) {
  dunmerrow_report* as_text = nullptr;
  ASSERT_EQ(dunmerrow_report_create(&as_text), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_set_text(as_text, "DateTo", date_.c_str()), DUNMERROW_OK);
  SetReportDate();
  ASSERT_EQ(dunmerrow_report_set_date(report_, "DATETO", 1990, 1, 1),
            DUNMERROW_E_DUPLICATE_PARAMETER);
  for (dunmerrow_report* report : {report_, as_text}) {
    EXPECT_EQ(dunmerrow_report_print(report, "OwnerStatement"), DUNMERROW_OK)
        << dunmerrow_last_error_description();
  }
  EXPECT_EQ(dunmerrow_report_destroy(as_text), DUNMERROW_OK);
  const auto ends = Trace("end");
  ASSERT_EQ(ends.size(), 2u);
  for (const auto& end : ends)
    EXPECT_EQ(end["file"], (dir_ / "out" / ("statements-" + date_ + ".pdf")).string());
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

// Each statement of an outbox run is read back with the footer's totals the
// trace shows and the file the outcome names; the run's register and journal
// export are named, and a run that stops says why and keeps no statements.
TEST_F(CApiRunTest, TheOutcomeTellsWhatBecameOfEachStatement) {
  ASSERT_EQ(dunmerrow_set_output((dir_ / "out").c_str(), DUNMERROW_DESTINATION_OUTBOX),
            DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_set_journal_export(1), DUNMERROW_OK);
  PrintReport();
  int count = 0, written = -1;
  ASSERT_EQ(dunmerrow_report_statement_count(report_, &count), DUNMERROW_OK);
  const auto ends = Trace("end");
  const auto footers = Trace("section", "DisburseFooter");
  ASSERT_EQ(static_cast<size_t>(count), ends.size());
  ASSERT_EQ(footers.size(), ends.size());
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<size_t>(i);
    dunmerrow_statement s{};
    ASSERT_EQ(dunmerrow_report_statement(report_, i, &s), DUNMERROW_OK);
    EXPECT_EQ(s.first_page, 1);
    EXPECT_EQ(s.pages, ends[at]["pages"]);
    EXPECT_EQ(s.period_to.year * 10000 + s.period_to.month * 100 + s.period_to.day,
              year_ * 10000 + month_ * 100 + day_);
    char amount[32];
    std::snprintf(amount, sizeof amount, "%.2f", static_cast<double>(s.disbursed) / 10000);
    EXPECT_EQ(amount, footers[at]["fields"]["TotalValue"]) << s.owner_code;
    EXPECT_EQ(s.document, ends[at]["file"].get<std::string>());
    EXPECT_TRUE(fs::exists(s.document)) << s.document;
    if (s.state == DUNMERROW_STATE_WAITING) {
      EXPECT_STREQ(s.reason, "no valid e-mail address") << s.owner_code;
    } else {
      EXPECT_EQ(s.state, DUNMERROW_STATE_WRITTEN) << s.owner_code;
      written = i;
    }
  }
  ASSERT_GE(written, 0);
  Text register_path, journal_path;
  ASSERT_EQ(dunmerrow_report_register_path(report_, &register_path.text), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_journal_export_path(report_, &journal_path.text), DUNMERROW_OK);
  EXPECT_EQ(register_path.str(), (dir_ / "out" / ("register-" + date_ + ".csv")).string());
  EXPECT_EQ(journal_path.str(), (dir_ / "out" / ("journal-" + date_ + ".csv")).string());
  EXPECT_TRUE(fs::exists(journal_path.str()));

  // Resent, the statement is written again, not found in the outbox.
  ASSERT_EQ(dunmerrow_set_run_register(0), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_set_resend(1), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  dunmerrow_statement again{};
  ASSERT_EQ(dunmerrow_report_statement(report_, written, &again), DUNMERROW_OK);
  EXPECT_STREQ(again.reason, "");
  EXPECT_EQ(again.state, DUNMERROW_STATE_WRITTEN);
  Text none;
  ASSERT_EQ(dunmerrow_report_register_path(report_, &none.text), DUNMERROW_OK);
  EXPECT_EQ(none.str(), "");

  ExpectRefusals({{"Error printing report - ", dunmerrow_report_print(report_, "Broken"),
                   DUNMERROW_E_RUN_FAILED}});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], std::string("Dunmerrow: ") + dunmerrow_last_error_description());
  EXPECT_NE(messages_[0].find("Broken.rdn"), std::string::npos) << messages_[0];
  int number = 0;
  const char* description = nullptr;
  ASSERT_EQ(dunmerrow_report_run_failure(report_, &number, &description), DUNMERROW_OK);
  EXPECT_EQ(number, 321);
  EXPECT_NE(std::string(description).find("Broken.rdn"), std::string::npos) << description;
  ASSERT_EQ(dunmerrow_report_statement_count(report_, &count), DUNMERROW_OK);
  EXPECT_EQ(count, 0);
}

// The host hears of the preview's button while the object is busy, and the
// button runs the report by the name last given, file or not.
TEST_F(CApiRunTest, ThePrintButtonTellsTheHostAndRunsTheNameLastGiven) {
  struct Presses {
    std::vector<dunmerrow_report*> seen;
    std::vector<int> results;
  } presses;
  const auto on_press = [](dunmerrow_report* report, void* data) {
    auto* log = static_cast<Presses*>(data);
    log->seen.push_back(report);
    int wanted = 0;
    log->results = {dunmerrow_report_destroy(report),
                    dunmerrow_report_print(report, "OwnerStatement"),
                    dunmerrow_report_use_parameter(report, "bNotes", &wanted)};
  };
  ASSERT_EQ(dunmerrow_report_set_print_button_callback(report_, on_press, &presses), DUNMERROW_OK);
  PrintReport();
  EXPECT_TRUE(presses.seen.empty());

  ASSERT_EQ(dunmerrow_report_press_print_button(report_), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  EXPECT_EQ(presses.seen, std::vector<dunmerrow_report*>{report_});
  EXPECT_EQ(presses.results, (std::vector<int>{DUNMERROW_E_BUSY, DUNMERROW_E_BUSY, 0}));
  EXPECT_TRUE(messages_.empty());

  ASSERT_EQ(dunmerrow_report_print(report_, "Missing"), DUNMERROW_E_DEFINITION_NOT_FOUND);
  ExpectRefusals(
      {{"Missing.rdn", dunmerrow_report_press_print_button(report_), DUNMERROW_E_RUN_FAILED}});
}

// Before any run the building blocks open the database as a run opens it;
// one that does not open fails the call, and the run before it prints.
TEST_F(CApiRunTest, TheBuildingBlocksOpenTheDatabaseAsARunDoes) {
  Text text;
  int64_t balance = -1, again = 0;
  dunmerrow_date date{};
  dunmerrow_rows* rows = nullptr;
  const dunmerrow_date day{2026, 11, 30};
  ASSERT_EQ(dunmerrow_report_balance_owing(report_, "T000001", &balance), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  ExpectRefusals({
      {"no account 'NOSUCH' of type 1 in the table glcodes",
       dunmerrow_report_gl_description(report_, "NOSUCH", 1, &text.text), kNotFound},
      // The type must match too: RENT is an income account.
      {"no account 'RENT' of type 2",
       dunmerrow_report_gl_description(report_, "RENT", 2, &text.text), kNotFound},
      {"dunmerrow_report_balance_owing: no tenant 'NOBODY' in the table",
       dunmerrow_report_balance_owing(report_, "NOBODY", &again), kNotFound},
      {"no tenant ''", dunmerrow_report_paid_to_date(report_, "", &date), kNotFound},
      {"dunmerrow_report_journal_open: no owner 'NOONE' in the table owner",
       dunmerrow_report_journal_open(report_, "NOONE", day, day, &rows), kNotFound},
  });
  EXPECT_EQ(text.text, nullptr);
  EXPECT_EQ(again, 0);
  EXPECT_EQ(date.year, 0);
  EXPECT_EQ(rows, nullptr);
  EXPECT_TRUE(messages_.empty()) << messages_.front();

  // A file the settings name that is no database: StartADO shows why.
  const fs::path garbage = dir_ / "garbage.mdb";
  testing_support::WriteFile(garbage, "not a database");
  ASSERT_EQ(dunmerrow_set_setting("Settings", "DatabaseLocation", garbage.c_str()), DUNMERROW_OK);
  ExpectRefusals({{"dunmerrow_report_balance_owing: Start ADO: General Errors...",
                   dunmerrow_report_balance_owing(report_, "T000001", &again), DUNMERROW_E_DATA}});
  EXPECT_FALSE(messages_.empty());

  const std::string missing = (dir_ / "missing.mdb").string();
  ASSERT_EQ(dunmerrow_set_database(missing.c_str()), DUNMERROW_OK);
  SetReportDate();
  // Jet's number for a file it cannot find.
  ExpectRefusals({
      {"dunmerrow_report_balance_owing: cannot open the database '" + missing,
       dunmerrow_report_balance_owing(report_, "T000001", &again), 3024},
      {"cannot open the database", dunmerrow_report_print(report_, "OwnerStatement"), 3024},
  });
  EXPECT_TRUE(Trace("section").empty());

  // Forgotten, the settings count again: the demo runs, the same answer after.
  ASSERT_EQ(dunmerrow_set_database(nullptr), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_set_setting("Settings", "DatabaseLocation", demo_.c_str()), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  ASSERT_EQ(dunmerrow_report_balance_owing(report_, "T000001", &again), DUNMERROW_OK);
  EXPECT_EQ(again, balance);
}

TEST_F(CApiRunTest, TheJournalIsACursorOverItsColumns) {
  PrintReport();
  dunmerrow_rows* rows = nullptr;
  ASSERT_EQ(dunmerrow_report_journal_open(report_, first_.owner_code, first_.period_from,
                                          first_.period_to, &rows),
            DUNMERROW_OK)
      << dunmerrow_last_error_description();
  int64_t amount = -1;
  ExpectRefusals({{"before its first row", dunmerrow_rows_currency(rows, 2, &amount, nullptr),
                   DUNMERROW_E_NO_CURRENT_ROW}});

  // A later run replaces the thread's database; the cursor reads on.
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  int has_row = 0, lines = 0, expenses = 0;
  while (dunmerrow_rows_next(rows, &has_row) == DUNMERROW_OK && has_row) {
    // By name, in any letter case, the column of that index.
    int expense = -1, is_null = -1;
    int64_t debit = 0, debit_by_name = -1;
    dunmerrow_date date{}, date_by_name{};
    Text tenant;
    ASSERT_EQ(dunmerrow_rows_boolean_by_name(rows, "EXPENSE", &expense, nullptr), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_rows_date(rows, 1, &date, nullptr, nullptr), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_rows_date_by_name(rows, "Date", &date_by_name, nullptr, nullptr), 0);
    EXPECT_EQ(std::memcmp(&date_by_name, &date, sizeof date), 0);
    ASSERT_EQ(dunmerrow_rows_currency(rows, 2, &debit, nullptr), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_rows_currency_by_name(rows, "debit", &debit_by_name, nullptr), 0);
    EXPECT_EQ(debit_by_name, debit);
    // An expense has no tenant: an empty text, not a Null.
    ASSERT_EQ(dunmerrow_rows_text(rows, 0, &tenant.text, &is_null), DUNMERROW_OK);
    EXPECT_EQ(is_null, 0);
    EXPECT_EQ(tenant.str().empty(), expense != 0) << tenant.str();
    expenses += expense;
    ++lines;
  }
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK) << dunmerrow_last_error_description();
  EXPECT_GT(expenses, 0);
  EXPECT_GT(lines, expenses);
  ASSERT_EQ(dunmerrow_rows_next(rows, &has_row), DUNMERROW_OK);
  EXPECT_EQ(has_row, 0);
  Text none;
  dunmerrow_date date{};
  ExpectRefusals({
      {"past its last row", dunmerrow_rows_currency(rows, 2, &amount, nullptr),
       DUNMERROW_E_NO_CURRENT_ROW},
      {"value's pointer is NULL", dunmerrow_rows_text_by_name(rows, "nope", nullptr, nullptr)},
      {"no column 'nope' (the columns are tenant_code, date,",
       dunmerrow_rows_text_by_name(rows, "nope", &none.text, nullptr), kNotFound},
      {"value's pointer is NULL", dunmerrow_rows_date(rows, 12, nullptr, nullptr, nullptr)},
      {"index 12 is not one of the 12 columns (0 to 11)",
       dunmerrow_rows_date(rows, 12, &date, nullptr, nullptr)},
  });
  EXPECT_EQ(amount, -1);

  std::thread other([&] { has_row = dunmerrow_rows_next(rows, &has_row); });
  other.join();
  EXPECT_EQ(has_row, DUNMERROW_E_WRONG_THREAD);
  ASSERT_EQ(dunmerrow_rows_close(rows), DUNMERROW_OK);
  ExpectRefusals({{"dunmerrow_rows_next: not a live journal cursor",
                   dunmerrow_rows_next(rows, &has_row), kNoObject}});
}

}  // namespace
