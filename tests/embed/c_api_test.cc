// The C interface through the real library: bad input, ownership and
// threads, and runs on a demo portfolio read back from the trace.
#include <dunmerrow/dunmerrow.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "embed_support.h"

namespace {

namespace fs = std::filesystem;

class CApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = embed::ScratchFolder();
    setenv("QUELLORY_MACHINE_SETTINGS", (dir_ / "machine.ini").c_str(), 1);
    setenv("QUELLORY_USER_SETTINGS", (dir_ / "user.ini").c_str(), 1);
    setenv("DUNMERROW_NOW", "2026-12-06T10:00:00", 1);
    // The component's folder: the real definition, and one that is broken.
    home_ = dir_ / "home";
    fs::create_directories(home_);
    for (const char* name : {"OwnerStatement.rdn", "reportlogo.bmp"}) {
      fs::copy_file(fs::path(DUNMERROW_BIN_DIR) / name, home_ / name);
    }
    std::ofstream(home_ / "Broken.rdn") << "<report page=\"A4\"><section name=";
    setenv("DUNMERROW_HOME", home_.c_str(), 1);

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
    if (!HasFailure()) fs::remove_all(dir_);
  }

  static void Record(const char* text, const char* title, void* data) {
    static_cast<CApiTest*>(data)->messages_.push_back(std::string(title) + ": " + text);
  }

  void StartTrace() {
    ASSERT_EQ(dunmerrow_set_trace((dir_ / "trace.jsonl").c_str()), DUNMERROW_OK);
  }

  std::vector<nlohmann::json> Trace(const std::string& op) const {
    std::vector<nlohmann::json> events;
    std::ifstream in(dir_ / "trace.jsonl");
    for (std::string line; std::getline(in, line);) {
      auto event = nlohmann::json::parse(line);
      if (event.value("op", "") == op) events.push_back(event);
    }
    return events;
  }

  // The last error is the result, described as `words` say.
  static void ExpectError(int result, int number, const std::string& words) {
    EXPECT_EQ(result, number) << words;
    EXPECT_EQ(dunmerrow_last_error_number(), number) << words;
    EXPECT_NE(std::string(dunmerrow_last_error_description()).find(words), std::string::npos)
        << "description: " << dunmerrow_last_error_description();
  }

  fs::path dir_;
  fs::path home_;
  dunmerrow_report* report_ = nullptr;
  std::vector<std::string> messages_;
};

TEST_F(CApiTest, NullArgumentsAreRefusedByName) {
  constexpr int kBad = DUNMERROW_E_INVALID_ARGUMENT;
  int wanted = 0;
  ExpectError(dunmerrow_report_create(nullptr), kBad, "dunmerrow_report_create: report is NULL");
  ExpectError(dunmerrow_report_set_text(nullptr, "a", "b"), kBad, "report is NULL");
  ExpectError(dunmerrow_report_set_text(report_, nullptr, "b"), kBad,
              "dunmerrow_report_set_text: name is NULL");
  ExpectError(dunmerrow_report_set_text(report_, "a", nullptr), kBad, "value is NULL");
  ExpectError(dunmerrow_report_set_text(report_, "", "b"), kBad, "name is empty");
  ExpectError(dunmerrow_report_set_bool(nullptr, "a", 1), kBad, "report is NULL");
  ExpectError(dunmerrow_report_set_number(report_, nullptr, 1), kBad, "name is NULL");
  ExpectError(dunmerrow_report_set_date(nullptr, "a", 2009, 1, 1), kBad, "report is NULL");
  ExpectError(dunmerrow_report_use_parameter(nullptr, "bNotes", &wanted), kBad, "report is NULL");
  ExpectError(dunmerrow_report_use_parameter(report_, nullptr, &wanted), kBad, "name is NULL");
  ExpectError(dunmerrow_report_use_parameter(report_, "bNotes", nullptr), kBad, "wanted is NULL");
  ExpectError(dunmerrow_report_print(nullptr, "OwnerStatement"), kBad, "report is NULL");
  ExpectError(dunmerrow_report_print(report_, nullptr), kBad,
              "dunmerrow_report_print: definition is NULL");
  ExpectError(dunmerrow_report_press_print_button(nullptr), kBad, "report is NULL");
  ExpectError(dunmerrow_report_set_print_button_callback(nullptr, nullptr, nullptr), kBad,
              "report is NULL");
  ExpectError(dunmerrow_set_setting(nullptr, "apppath", "/x"), kBad, "section is NULL");
  ExpectError(dunmerrow_set_setting("Settings", nullptr, "/x"), kBad, "key is NULL");
  ExpectError(dunmerrow_set_setting("Settings", "apppath", nullptr), kBad, "value is NULL");
  ExpectError(dunmerrow_set_setting("", "apppath", "/x"), kBad, "must not be empty");

  EXPECT_EQ(dunmerrow_report_destroy(nullptr), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK);
  EXPECT_STREQ(dunmerrow_last_error_description(), "");
}

TEST_F(CApiTest, ValuesThatAreNoValuesAreRefusedAndStoreNothing) {
  constexpr int kBad = DUNMERROW_E_INVALID_ARGUMENT;
  ExpectError(dunmerrow_report_set_date(report_, "DateTo", 2009, 2, 29), kBad,
              "2009-2-29 is not a date");
  ExpectError(dunmerrow_report_set_date(report_, "DateTo", 2009, 13, 1), kBad, "2009-13-1");
  ExpectError(dunmerrow_report_set_date(report_, "DateTo", 10000, 1, 1), kBad, "10000-1-1");
  ExpectError(dunmerrow_report_set_number(report_, "Amount", std::nan("")), kBad,
              "not a finite number");
  ExpectError(dunmerrow_report_set_number(report_, "Amount", HUGE_VAL), kBad,
              "not a finite number");
  ExpectError(dunmerrow_set_output("out", 3), kBad, "destination 3 is not one of");

  // None of the refused calls took the names.
  EXPECT_EQ(dunmerrow_report_set_date(report_, "DateTo", 2008, 2, 29), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_report_set_number(report_, "Amount", 12.5), DUNMERROW_OK);
}

TEST_F(CApiTest, AParameterIsSetOnceWhateverItsLetterCase) {
  ASSERT_EQ(dunmerrow_report_set_date(report_, "DateTo", 2009, 4, 20), DUNMERROW_OK);
  ExpectError(dunmerrow_report_set_text(report_, "DATETO", "2009-05-01"),
              DUNMERROW_E_DUPLICATE_PARAMETER, "'DATETO' is already set");
  ExpectError(dunmerrow_report_set_date(report_, "DateTo", 2009, 5, 1),
              DUNMERROW_E_DUPLICATE_PARAMETER, "already set");
  ASSERT_EQ(dunmerrow_report_set_bool(report_, "bNotes", 1), DUNMERROW_OK);
  ExpectError(dunmerrow_report_set_bool(report_, "bnotes", 0), DUNMERROW_E_DUPLICATE_PARAMETER,
              "already set");
  // A success clears the last error.
  EXPECT_EQ(dunmerrow_report_set_number(report_, "Other", 1), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK);
  EXPECT_STREQ(dunmerrow_last_error_description(), "");
}

TEST_F(CApiTest, UseParameterAnswersTheOfferedNamesExactly) {
  const struct {
    const char* name;
    int wanted;
  } kCases[] = {{"bToEnabled", 1}, {"bNotes", 1}, {"bDetailed", 1}, {"bnotes", 0},
                {"BDETAILED", 0},  {"DateTo", 0}, {"", 0}};
  for (const auto& c : kCases) {
    int wanted = -1;
    EXPECT_EQ(dunmerrow_report_use_parameter(report_, c.name, &wanted), DUNMERROW_OK) << c.name;
    EXPECT_EQ(wanted, c.wanted) << c.name;
  }
}

TEST_F(CApiTest, ADestroyedObjectIsRefused) {
  ASSERT_EQ(dunmerrow_report_destroy(report_), DUNMERROW_OK);
  dunmerrow_report* gone = report_;
  report_ = nullptr;
  ExpectError(dunmerrow_report_set_text(gone, "a", "b"), DUNMERROW_E_NO_OBJECT,
              "not a live report object");
  ExpectError(dunmerrow_report_print(gone, "OwnerStatement"), DUNMERROW_E_NO_OBJECT,
              "dunmerrow_report_print");
  ExpectError(dunmerrow_report_destroy(gone), DUNMERROW_E_NO_OBJECT, "not a live report object");
}

TEST_F(CApiTest, AnObjectBelongsToTheThreadThatCreatedIt) {
  ASSERT_EQ(dunmerrow_report_set_text(report_, "DATETO", "x"), DUNMERROW_OK);
  std::vector<int> results;
  std::string description;
  int own_object_result = -1;
  std::thread other([&] {
    results.push_back(dunmerrow_report_set_text(report_, "bNotes", "True"));
    results.push_back(dunmerrow_report_print(report_, "OwnerStatement"));
    results.push_back(dunmerrow_report_destroy(report_));
    description = dunmerrow_last_error_description();
    dunmerrow_report* own = nullptr;
    own_object_result = dunmerrow_report_create(&own);
    if (own_object_result == DUNMERROW_OK) {
      own_object_result = dunmerrow_report_set_text(own, "bNotes", "True");
      dunmerrow_report_destroy(own);
    }
  });
  other.join();
  EXPECT_EQ(results, std::vector<int>(3, DUNMERROW_E_WRONG_THREAD));
  EXPECT_NE(description.find("belongs to another thread"), std::string::npos) << description;
  EXPECT_EQ(own_object_result, DUNMERROW_OK);
  // The other thread's failures are not this thread's last error, and the
  // object is untouched.
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_report_set_text(report_, "bNotes", "True"), DUNMERROW_OK);
}

TEST_F(CApiTest, AnUnknownDefinitionFailsNamingItsFile) {
  ExpectError(dunmerrow_report_print(report_, "NoSuchReport"), DUNMERROW_E_DEFINITION_NOT_FOUND,
              "there is no report definition '" + (home_ / "NoSuchReport.rdn").string() + "'");
  EXPECT_TRUE(messages_.empty());
  // Nothing ran, so there is no preview whose button could be pressed.
  ExpectError(dunmerrow_report_press_print_button(report_), DUNMERROW_E_NO_OBJECT,
              "no report has run on this object yet");
}

TEST_F(CApiTest, ATraceThatCannotBeOpenedIsNamed) {
  const fs::path path = dir_ / "no-such-folder" / "trace.jsonl";
  EXPECT_NE(dunmerrow_set_trace(path.c_str()), DUNMERROW_OK);
  EXPECT_NE(std::string(dunmerrow_last_error_description()).find(path.string()), std::string::npos)
      << dunmerrow_last_error_description();
}

// Runs on a small demo portfolio made by the real command.
class CApiRunTest : public CApiTest {
 protected:
  void SetUp() override {
    CApiTest::SetUp();
    if (HasFatalFailure()) return;
    const fs::path program = fs::path(DUNMERROW_BIN_DIR) / "dunmerrow";
    if (!fs::exists(program)) GTEST_SKIP() << "the dunmerrow command is not built: " << program;
    std::string error;
    date_ = embed::MakeDemo("", program.string(), dir_ / "demo", 6, error);
    ASSERT_FALSE(date_.empty()) << error;
    ASSERT_EQ(dunmerrow_set_setting("Settings", "apppath", (dir_ / "demo").c_str()), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_setting("Settings", "Networkable", "1"), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_set_setting("Settings", "DatabaseLocation",
                                    (dir_ / "demo" / "property.mdb").c_str()),
              DUNMERROW_OK);
    StartTrace();
  }

  void SetReportDate() {
    ASSERT_EQ(
        dunmerrow_report_set_date(report_, "DateTo", std::stoi(date_.substr(0, 4)),
                                  std::stoi(date_.substr(5, 2)), std::stoi(date_.substr(8, 2))),
        DUNMERROW_OK);
  }

  std::string date_;  // the demo's latest disbursement date
};

TEST_F(CApiRunTest, TheFirstReportDateStaysInForce) {
  SetReportDate();
  ASSERT_EQ(dunmerrow_report_set_date(report_, "DATETO", 1990, 1, 1),
            DUNMERROW_E_DUPLICATE_PARAMETER);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_FALSE(Trace("section").empty());
  const auto ends = Trace("end");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["destination"], DUNMERROW_DESTINATION_PREVIEW);
  EXPECT_EQ(ends[0]["file"], (dir_ / "out" / ("statements-" + date_ + ".pdf")).string());
}

TEST_F(CApiRunTest, AReportDateGivenAsTextNamesTheOutputToo) {
  ASSERT_EQ(dunmerrow_report_set_text(report_, "DateTo", date_.c_str()), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  EXPECT_FALSE(Trace("section").empty());
  const auto ends = Trace("end");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["file"], (dir_ / "out" / ("statements-" + date_ + ".pdf")).string());
}

TEST_F(CApiRunTest, MessagesReachTheCallbackAndTheTrace) {
  ASSERT_EQ(dunmerrow_report_set_date(report_, "DateTo", 1990, 1, 1), DUNMERROW_OK);
  // A date without disbursements is news, not a failure.
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Dunmerrow: There were no disbursements done on ", 0), 0u)
      << messages_[0];
  const auto traced = Trace("message");
  ASSERT_EQ(traced.size(), 1u);
  EXPECT_EQ(traced[0]["title"], "Dunmerrow");
  EXPECT_EQ("Dunmerrow: " + traced[0]["text"].get<std::string>(), messages_[0]);
}

TEST_F(CApiRunTest, ARunThatStopsOnAFailureSaysSo) {
  SetReportDate();
  ExpectError(dunmerrow_report_print(report_, "Broken"), DUNMERROW_E_RUN_FAILED,
              "Error printing report - ");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], std::string("Dunmerrow: ") + dunmerrow_last_error_description());
  EXPECT_NE(messages_[0].find("Broken.rdn"), std::string::npos) << messages_[0];
}

// Each statement of an outbox run is read back with the footer's totals the
// trace shows and the file the outcome names; a stopped run says why.
TEST_F(CApiRunTest, TheOutcomeTellsWhatBecameOfEachStatement) {
  SetReportDate();
  ASSERT_EQ(dunmerrow_set_output((dir_ / "out").c_str(), DUNMERROW_DESTINATION_OUTBOX),
            DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  int count = 0;
  ASSERT_EQ(dunmerrow_report_statement_count(report_, &count), DUNMERROW_OK);
  const auto ends = Trace("end");
  ASSERT_EQ(static_cast<size_t>(count), ends.size());
  std::vector<std::string> footers;
  for (const auto& section : Trace("section")) {
    if (section["name"] == "DisburseFooter") footers.push_back(section["fields"]["TotalValue"]);
  }
  ASSERT_EQ(footers.size(), ends.size());
  for (int i = 0; i < count; ++i) {
    dunmerrow_statement s{};
    ASSERT_EQ(dunmerrow_report_statement(report_, i, &s), DUNMERROW_OK);
    EXPECT_EQ(s.first_page, 1);
    EXPECT_EQ(s.pages, ends[static_cast<size_t>(i)]["pages"]);
    EXPECT_EQ(s.period_to.year, std::stoi(date_.substr(0, 4)));
    char amount[32];
    std::snprintf(amount, sizeof amount, "%.2f", static_cast<double>(s.disbursed) / 10000);
    EXPECT_EQ(amount, footers[static_cast<size_t>(i)]) << s.owner_code;
    EXPECT_EQ(s.document, ends[static_cast<size_t>(i)]["file"].get<std::string>());
    EXPECT_TRUE(fs::exists(s.document)) << s.document;
    if (s.state == DUNMERROW_STATE_WAITING) {
      EXPECT_STREQ(s.reason, "no valid e-mail address") << s.owner_code;
    } else {
      EXPECT_EQ(s.state, DUNMERROW_STATE_WRITTEN) << s.owner_code;
    }
  }
  dunmerrow_statement unchanged{};
  ExpectError(dunmerrow_report_statement(report_, count, &unchanged),
              DUNMERROW_E_INVALID_ARGUMENT, "is not one of the");

  ASSERT_EQ(dunmerrow_report_print(report_, "Broken"), DUNMERROW_E_RUN_FAILED);
  int number = 0;
  const char* description = nullptr;
  ASSERT_EQ(dunmerrow_report_run_failure(report_, &number, &description), DUNMERROW_OK);
  EXPECT_EQ(number, 321);
  EXPECT_NE(std::string(description).find("Broken.rdn"), std::string::npos) << description;
  ASSERT_EQ(dunmerrow_report_statement_count(report_, &count), DUNMERROW_OK);
  EXPECT_EQ(count, 0);
}

struct ButtonLog {
  int presses = 0;
  dunmerrow_report* seen = nullptr;
  int destroy_result = -1;
  int print_result = -1;
  int use_parameter_result = -1;
};

void OnPrintButton(dunmerrow_report* report, void* data) {
  auto* log = static_cast<ButtonLog*>(data);
  ++log->presses;
  log->seen = report;
  // The object is in the middle of its run: it may be asked, not changed.
  log->destroy_result = dunmerrow_report_destroy(report);
  log->print_result = dunmerrow_report_print(report, "OwnerStatement");
  int wanted = 0;
  log->use_parameter_result = dunmerrow_report_use_parameter(report, "bNotes", &wanted);
}

TEST_F(CApiRunTest, ThePrintButtonRunsTheSameReportToThePrinter) {
  SetReportDate();
  ButtonLog log;
  ASSERT_EQ(dunmerrow_report_set_print_button_callback(report_, OnPrintButton, &log), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  EXPECT_EQ(log.presses, 0);
  const size_t first_run_sections = Trace("section").size();

  ASSERT_EQ(dunmerrow_report_press_print_button(report_), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  EXPECT_EQ(log.presses, 1);
  EXPECT_EQ(log.seen, report_);
  EXPECT_EQ(log.destroy_result, DUNMERROW_E_BUSY);
  EXPECT_EQ(log.print_result, DUNMERROW_E_BUSY);
  EXPECT_EQ(log.use_parameter_result, DUNMERROW_OK);

  const auto ends = Trace("end");
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0]["destination"], DUNMERROW_DESTINATION_PREVIEW);
  EXPECT_EQ(ends[1]["destination"], DUNMERROW_DESTINATION_PRINTER);
  EXPECT_EQ(ends[1]["pages"], ends[0]["pages"]);
  EXPECT_EQ(Trace("section").size(), 2 * first_run_sections);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(CApiRunTest, ThePrintButtonUsesTheLastNameGivenEvenWithoutItsFile) {
  SetReportDate();
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "Missing"), DUNMERROW_E_DEFINITION_NOT_FOUND);
  // The earlier preview's button runs the report by the name last given.
  ExpectError(dunmerrow_report_press_print_button(report_), DUNMERROW_E_RUN_FAILED, "Missing.rdn");
}

// ---- The report's building blocks, the journal cursor and the run options.

// A text the library returned, freed when it goes.
struct Text {
  char* text = nullptr;
  ~Text() { dunmerrow_free(text); }
  std::string str() const { return text ? text : "(NULL)"; }
};

class CApiSurfaceTest : public CApiRunTest {
 protected:
  // Runs the report of the demo's date and keeps its first statement.
  void PrintReport() {
    SetReportDate();
    ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK)
        << dunmerrow_last_error_description();
    ASSERT_EQ(dunmerrow_report_statement(report_, 0, &first_), DUNMERROW_OK);
  }

  dunmerrow_statement first_{};
};

TEST_F(CApiSurfaceTest, BadInputIsRefusedSayingWhatAndWhere) {
  constexpr int kBad = DUNMERROW_E_INVALID_ARGUMENT;
  Text text;
  int64_t amount = 0;
  dunmerrow_date date{};
  dunmerrow_rows* rows = nullptr;
  int has_row = 0;
  const dunmerrow_date day{2026, 11, 30};
  const struct {
    std::function<int()> call;
    int number;
    std::string words;
  } kCases[] = {
      {[&] { return dunmerrow_report_logo_filename(nullptr, &text.text); }, kBad,
       "dunmerrow_report_logo_filename: report is NULL"},
      {[&] { return dunmerrow_report_number_format(report_, nullptr); }, kBad,
       "dunmerrow_report_number_format: format is NULL"},
      {[&] { return dunmerrow_report_frequency_description(report_, 2, "w\xffk", &text.text); },
       kBad, "dunmerrow_report_frequency_description: every is not valid UTF-8 (at byte 1)"},
      {[&] { return dunmerrow_report_gl_description(report_, "RENT", 1, nullptr); }, kBad,
       "description is NULL"},
      {[&] { return dunmerrow_report_gl_description(report_, "NOSUCH", 1, &text.text); },
       DUNMERROW_E_NOT_FOUND, "no account 'NOSUCH' of type 1 in the table glcodes"},
      // The type must match too: RENT is an income account.
      {[&] { return dunmerrow_report_gl_description(report_, "RENT", 2, &text.text); },
       DUNMERROW_E_NOT_FOUND, "no account 'RENT' of type 2"},
      {[&] { return dunmerrow_report_balance_owing(report_, "NOBODY", &amount); },
       DUNMERROW_E_NOT_FOUND, "dunmerrow_report_balance_owing: no tenant 'NOBODY' in the table"},
      {[&] { return dunmerrow_report_balance_owing(report_, "T0\xc3", &amount); }, kBad,
       "tenant is not valid UTF-8 (at byte 2)"},
      {[&] { return dunmerrow_report_paid_to_date(report_, "T000001", nullptr); }, kBad,
       "dunmerrow_report_paid_to_date: date is NULL"},
      {[&] { return dunmerrow_report_paid_to_date(report_, "", &date); }, DUNMERROW_E_NOT_FOUND,
       "no tenant ''"},
      {[&] { return dunmerrow_report_journal_open(report_, "NOONE", day, day, &rows); },
       DUNMERROW_E_NOT_FOUND, "dunmerrow_report_journal_open: no owner 'NOONE' in the table owner"},
      {[&] { return dunmerrow_report_journal_open(report_, "X", {2009, 2, 29}, day, &rows); },
       kBad, "from 2009-2-29 is not a date"},
      {[&] { return dunmerrow_report_journal_open(report_, "X", day, day, nullptr); }, kBad,
       "rows is NULL"},
      {[&] { return dunmerrow_report_print_memo_field(report_, "x", "Notes", "Notes"); },
       DUNMERROW_E_NO_OBJECT, "dunmerrow_report_print_memo_field: no report has run on this"},
      {[&] { return dunmerrow_report_print_memo_field(report_, "x", nullptr, "Notes"); }, kBad,
       "section is NULL"},
      {[&] { return dunmerrow_report_get_company_name(report_); }, DUNMERROW_E_NO_OBJECT,
       "dunmerrow_report_get_company_name: no report has run"},
      {[&] { return dunmerrow_report_print_owner_property_list(report_, "A"); },
       DUNMERROW_E_NO_OBJECT, "no report has run"},
      {[&] { return dunmerrow_rows_next(nullptr, &has_row); }, kBad,
       "dunmerrow_rows_next: rows is NULL"},
      {[&] { return dunmerrow_report_register_path(report_, nullptr); }, kBad, "path is NULL"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.words);
    ExpectError(c.call(), c.number, c.words);
  }
  // Failures leave the out arguments as they were.
  EXPECT_EQ(text.text, nullptr);
  EXPECT_EQ(amount, 0);
  EXPECT_EQ(rows, nullptr);
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

TEST_F(CApiSurfaceTest, TheBuildingBlocksAnswerBeforeAndAfterARun) {
  // Before any run: the database opens as a run opens it.
  int64_t balance = -1;
  ASSERT_EQ(dunmerrow_report_balance_owing(report_, "T000001", &balance), DUNMERROW_OK)
      << dunmerrow_last_error_description();
  Text rent, frequency, format, logo;
  ASSERT_EQ(dunmerrow_report_gl_description(report_, "RENT", 1, &rent.text), DUNMERROW_OK);
  EXPECT_EQ(rent.str(), "Rent");
  ASSERT_EQ(dunmerrow_report_frequency_description(report_, 2, "week", &frequency.text),
            DUNMERROW_OK);
  EXPECT_EQ(frequency.str(), " per 2 weeks");
  ASSERT_EQ(dunmerrow_report_number_format(report_, &format.text), DUNMERROW_OK);
  EXPECT_EQ(format.str(), "0.00");
  ASSERT_EQ(dunmerrow_report_logo_filename(report_, &logo.text), DUNMERROW_OK);
  EXPECT_EQ(logo.str(), (home_ / "reportlogo.bmp").string());

  // After a run, the operations that print act on its engine.
  PrintReport();
  EXPECT_EQ(dunmerrow_report_cache_accounts(report_), DUNMERROW_OK);
  int64_t after_run = 0;
  ASSERT_EQ(dunmerrow_report_balance_owing(report_, "T000001", &after_run), DUNMERROW_OK);
  EXPECT_EQ(after_run, balance);
  const size_t before = Trace("section").size();
  const std::string memo(400, 'm');
  ASSERT_EQ(dunmerrow_report_print_memo_field(report_, memo.c_str(), "Notes", "Notes"),
            DUNMERROW_OK)
      << dunmerrow_last_error_description();
  std::string printed;
  const auto sections = Trace("section");
  for (size_t i = before; i < sections.size(); ++i) {
    EXPECT_EQ(sections[i]["name"], "Notes");
    printed += sections[i]["fields"]["Notes"].get<std::string>();
  }
  EXPECT_GT(sections.size(), before + 1) << "a long memo takes several copies";
  EXPECT_EQ(printed, memo);
  ExpectError(dunmerrow_report_print_memo_field(report_, "x", "Nope", "Notes"), 3265,
              "dunmerrow_report_print_memo_field: Report definition has no section 'Nope'");
  ASSERT_EQ(dunmerrow_report_print_owner_property_list(report_, first_.owner_code), DUNMERROW_OK);
  EXPECT_EQ(Trace("section").back()["name"], "property");
}

TEST_F(CApiSurfaceTest, TheJournalIsACursorOverItsColumns) {
  PrintReport();
  dunmerrow_rows* rows = nullptr;
  ASSERT_EQ(dunmerrow_report_journal_open(report_, first_.owner_code, first_.period_from,
                                          first_.period_to, &rows),
            DUNMERROW_OK)
      << dunmerrow_last_error_description();
  int count = 0;
  ASSERT_EQ(dunmerrow_rows_column_count(rows, &count), DUNMERROW_OK);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    Text name;
    ASSERT_EQ(dunmerrow_rows_column_name(rows, i, &name.text), DUNMERROW_OK);
    names.push_back(name.str());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"tenant_code", "date", "debit", "credit",
                                             "debitaccount", "creditaccount", "description",
                                             "reference", "payee", "property", "expense", "tax"}));
  int64_t amount = -1;
  ExpectError(dunmerrow_rows_currency(rows, 2, &amount, nullptr), DUNMERROW_E_NO_CURRENT_ROW,
              "before its first row");

  // A later run replaces the thread's database; the cursor reads on.
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  int has_row = 0, lines = 0, expenses = 0;
  int64_t income = 0;
  while (dunmerrow_rows_next(rows, &has_row) == DUNMERROW_OK && has_row) {
    ++lines;
    int expense = -1, seconds = -1, is_null = -1;
    dunmerrow_date date{};
    Text tenant, payee;
    ASSERT_EQ(dunmerrow_rows_boolean_by_name(rows, "EXPENSE", &expense, nullptr), DUNMERROW_OK);
    ASSERT_EQ(dunmerrow_rows_date(rows, 1, &date, &seconds, nullptr), DUNMERROW_OK);
    const auto day_of = [](const dunmerrow_date& d) { return d.year * 10000 + d.month * 100 + d.day; };
    EXPECT_GE(day_of(date), day_of(first_.period_from));
    EXPECT_LE(day_of(date), day_of(first_.period_to));
    EXPECT_EQ(seconds, 0);
    // Empty texts are texts, not Nulls.
    ASSERT_EQ(dunmerrow_rows_text(rows, 0, &tenant.text, &is_null), DUNMERROW_OK);
    EXPECT_EQ(is_null, 0);
    ASSERT_EQ(dunmerrow_rows_text_by_name(rows, "payee", &payee.text, nullptr), DUNMERROW_OK);
    EXPECT_EQ(payee.str().empty(), !expense) << payee.str();
    EXPECT_EQ(tenant.str().empty(), expense != 0) << tenant.str();
    int64_t credit = 0;
    ASSERT_EQ(dunmerrow_rows_currency_by_name(rows, "credit", &credit, &is_null), DUNMERROW_OK);
    expenses += expense;
    if (!expense) income += credit;
  }
  EXPECT_EQ(dunmerrow_last_error_number(), DUNMERROW_OK) << dunmerrow_last_error_description();
  EXPECT_GT(expenses, 0);
  EXPECT_GT(lines, expenses);
  EXPECT_GE(income, first_.income) << "the journal holds every line the statement printed";
  ASSERT_EQ(dunmerrow_rows_next(rows, &has_row), DUNMERROW_OK);
  EXPECT_EQ(has_row, 0);
  ExpectError(dunmerrow_rows_currency(rows, 2, &amount, nullptr), DUNMERROW_E_NO_CURRENT_ROW,
              "past its last row");
  ExpectError(dunmerrow_rows_text_by_name(rows, "nope", nullptr, nullptr), DUNMERROW_E_INVALID_ARGUMENT,
              "value's pointer is NULL");
  Text none;
  ExpectError(dunmerrow_rows_text_by_name(rows, "nope", &none.text, nullptr),
              DUNMERROW_E_NOT_FOUND, "no column 'nope' (the columns are tenant_code, date,");
  ExpectError(dunmerrow_rows_date(rows, 12, nullptr, nullptr, nullptr), DUNMERROW_E_INVALID_ARGUMENT,
              "value's pointer is NULL");
  dunmerrow_date date{};
  ExpectError(dunmerrow_rows_date(rows, 12, &date, nullptr, nullptr), DUNMERROW_E_INVALID_ARGUMENT,
              "index 12 is not one of the 12 columns (0 to 11)");
  EXPECT_EQ(amount, -1);

  std::thread other([&] { has_row = dunmerrow_rows_next(rows, &has_row); });
  other.join();
  EXPECT_EQ(has_row, DUNMERROW_E_WRONG_THREAD);
  ASSERT_EQ(dunmerrow_rows_close(rows), DUNMERROW_OK);
  ExpectError(dunmerrow_rows_next(rows, &has_row), DUNMERROW_E_NO_OBJECT,
              "dunmerrow_rows_next: not a live journal cursor");
  EXPECT_EQ(dunmerrow_rows_close(nullptr), DUNMERROW_OK);
}

TEST_F(CApiSurfaceTest, ADatabaseThatDoesNotOpenFailsTheCallAndTheRunBeforePrinting) {
  const std::string missing = (dir_ / "missing.mdb").string();
  ASSERT_EQ(dunmerrow_set_database(missing.c_str()), DUNMERROW_OK);
  int64_t balance = 0;
  const int result = dunmerrow_report_balance_owing(report_, "T000001", &balance);
  EXPECT_NE(result, DUNMERROW_OK);
  EXPECT_NE(std::string(dunmerrow_last_error_description())
                .find("dunmerrow_report_balance_owing: cannot open the database '" + missing),
            std::string::npos)
      << dunmerrow_last_error_description();
  SetReportDate();
  EXPECT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), result);
  EXPECT_NE(std::string(dunmerrow_last_error_description()).find("cannot open the database"),
            std::string::npos);
  EXPECT_TRUE(Trace("section").empty());

  // Forgotten, the settings find the demo again (its folder is the host's).
  ASSERT_EQ(dunmerrow_set_database(nullptr), DUNMERROW_OK);
  EXPECT_EQ(dunmerrow_report_balance_owing(report_, "T000001", &balance), DUNMERROW_OK)
      << dunmerrow_last_error_description();

  // A file the settings name that is no database: StartADO shows why.
  std::ofstream(dir_ / "garbage.mdb") << "not a database";
  ASSERT_EQ(dunmerrow_set_setting("Settings", "DatabaseLocation",
                                  (dir_ / "garbage.mdb").c_str()),
            DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_set_setting("Settings", "Networkable", "1"), DUNMERROW_OK);
  ExpectError(dunmerrow_report_balance_owing(report_, "T000001", &balance), DUNMERROW_E_DATA,
              "dunmerrow_report_balance_owing: Start ADO: General Errors...");
  EXPECT_FALSE(messages_.empty());
}

TEST_F(CApiSurfaceTest, RunOptionsWriteTheRegisterAndTheExportAndResend) {
  ASSERT_EQ(dunmerrow_set_output((dir_ / "out").c_str(), DUNMERROW_DESTINATION_OUTBOX),
            DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_set_journal_export(1), DUNMERROW_OK);
  PrintReport();
  // A statement written to the outbox (others wait for an address).
  int count = 0, written = -1;
  ASSERT_EQ(dunmerrow_report_statement_count(report_, &count), DUNMERROW_OK);
  for (int i = 0; i < count && written < 0; ++i) {
    dunmerrow_statement s{};
    ASSERT_EQ(dunmerrow_report_statement(report_, i, &s), DUNMERROW_OK);
    if (s.state == DUNMERROW_STATE_WRITTEN) written = i;
  }
  ASSERT_GE(written, 0);
  Text register_path, journal_path;
  ASSERT_EQ(dunmerrow_report_register_path(report_, &register_path.text), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_journal_export_path(report_, &journal_path.text), DUNMERROW_OK);
  EXPECT_EQ(register_path.str(), (dir_ / "out" / ("register-" + date_ + ".csv")).string());
  EXPECT_EQ(journal_path.str(), (dir_ / "out" / ("journal-" + date_ + ".csv")).string());
  EXPECT_TRUE(fs::exists(register_path.str()));
  EXPECT_TRUE(fs::exists(dir_ / "out" / ("register-" + date_ + ".json")));
  EXPECT_TRUE(fs::exists(journal_path.str()));

  // The same statements again: already in the outbox, unless resent.
  ASSERT_EQ(dunmerrow_set_run_register(0), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_set_journal_export(0), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  Text none;
  ASSERT_EQ(dunmerrow_report_register_path(report_, &none.text), DUNMERROW_OK);
  EXPECT_EQ(none.str(), "");
  dunmerrow_statement again{};
  ASSERT_EQ(dunmerrow_report_statement(report_, written, &again), DUNMERROW_OK);
  EXPECT_STREQ(again.reason, "already in the outbox");
  ASSERT_EQ(dunmerrow_set_resend(1), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_print(report_, "OwnerStatement"), DUNMERROW_OK);
  ASSERT_EQ(dunmerrow_report_statement(report_, written, &again), DUNMERROW_OK);
  EXPECT_EQ(again.state, DUNMERROW_STATE_WRITTEN);
  EXPECT_STREQ(again.reason, "");
}

}  // namespace
