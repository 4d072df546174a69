// Hostile data in the host database, end to end through `dunmerrow
// statements`: every run either prints the statements or stops with its
// message, and the trace and the exit status say which.
#include <algorithm>
#include <string>
#include <vector>

#include "statement_harness.h"

namespace e2e {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

class HostileDataTest : public StatementTest {
 protected:
  // A completed run ends its report and shows no failure; a stopped one
  // shows exactly one "Error printing report - " message, ends nothing and
  // exits 1. Returns the failure's text, "" for a completed run.
  std::string PrintedOrStopped(const RunResult& r) {
    const auto messages = r.Events("message");
    if (r.status == 0) {
      EXPECT_FALSE(r.Events("end").empty()) << r.stderr_text;
      for (const auto& m : messages) {
        EXPECT_EQ(m["text"].get<std::string>().find("Error printing report - "), std::string::npos)
            << m["text"];
      }
      return "";
    }
    EXPECT_EQ(r.status, 1) << r.stderr_text;
    EXPECT_TRUE(r.Events("end").empty());
    EXPECT_FALSE(messages.empty());
    if (messages.empty()) return "(no message)";
    const std::string text = messages.back()["text"];
    EXPECT_EQ(text.rfind("Error printing report - ", 0), 0u) << text;
    EXPECT_NE(r.stderr_text.find(text.substr(0, 40)), std::string::npos) << r.stderr_text;
    return text;
  }

  // An owner with a property, an open tenancy, an owner note, a journal line
  // and a disbursement on 18/04/2009, all keyed by `code`.
  void Owner(const std::string& code, const std::string& name, const std::string& email = "") {
    const std::string c = Quoted(code);
    const std::string p = Quoted(code + "/P");
    Sql("insert into owner (code, name, street1, email) values (" + c + ", " + Quoted(name) +
        ", '1 Sea St', " + Quoted(email) +
        ");"
        "insert into property (code, ownercode, Address1) values (" +
        p + ", " + c + ", " + Quoted("Flat of " + code) +
        ");"
        "insert into tenancy (reference, [property code], name, [current rent], every_amt, "
        "every_freq, closed_yn, [when ended]) values (" +
        Quoted(code + "/T") + ", " + p + ", " + Quoted("Tenant of " + code) +
        ", 100, 1, 'week', 0, '1234-01-01 00:00:00');"
        "insert into notes (note_type, parent_code, on_owner, note) values (1, " +
        c + ", -1, " + Quoted("Note for " + code) +
        ");"
        "insert into Revenues (tenant_code, [property code], Date, Amount, tax, counter_gl, "
        "[Revenue Group], description) values (" +
        Quoted(code + "/T") + ", " + p +
        ", '2009-04-10 00:00:00', 100, 0, 'BANK', 'RENT', 'rent');"
        "insert into disbursement (owner, date, amount, fees, tax, reserve_taken) values (" +
        c + ", '2009-03-31 00:00:00', 1, 0, 0, 0), (" + c +
        ", '2009-04-18 00:00:00', 90, 10, 0, 0);");
  }

};

TEST_F(HostileDataTest, CodesWithQuotesWildcardsBracketsAndWordsPrintTheirOwnStatements) {
  StandardSetup();
  const std::vector<std::string> codes = {"#1",    "50%",  "O'Brien",      "[X]", "_a",
                                          "false", "true", "x' or 1=1 --", "Zoë✓"};
  for (size_t i = 0; i < codes.size(); ++i) Owner(codes[i], "Owner " + std::to_string(i));
  RunResult r = Run("2009-04-18", "--notes --detailed");
  ASSERT_EQ(PrintedOrStopped(r), "");

  // One statement per owner, each with its own property, tenancy, note,
  // journal line and disbursement: no code matched another's rows, none was
  // taken as a pattern, a boolean or a piece of SQL.
  const auto owners = r.Fields("Header", "Owner");
  ASSERT_EQ(owners.size(), codes.size()) << r.Outline();
  ASSERT_EQ(r.Fields("TransDetail", "Income").size(), codes.size());
  ASSERT_EQ(r.Fields("DisburseFooter", "TotalValue").size(), codes.size());
  const auto properties = r.Fields("property", "Property");
  const auto tenants = r.Fields("property", "tenant");
  const auto notes = r.Fields("notes", "notes");
  for (const std::string& code : codes) {
    EXPECT_EQ(std::count(properties.begin(), properties.end(), "Flat of " + code + ","), 1) << code;
    EXPECT_EQ(std::count_if(tenants.begin(), tenants.end(),
                            [&](const std::string& t) { return t.find("Tenant of " + code) == 0; }),
              1)
        << code;
    EXPECT_EQ(std::count(notes.begin(), notes.end(), "Note for " + code), 1) << code;
  }
  for (const auto& income : r.Fields("TransDetail", "Income")) EXPECT_EQ(income, "100.00");
  for (const auto& total : r.Fields("DisburseFooter", "TotalValue")) EXPECT_EQ(total, "90.00");
  for (const auto& range : r.Fields("Header", "DateRange")) {
    EXPECT_EQ(range, "Transaction from 01/04/2009 to 18/04/2009");
  }
}

TEST_F(HostileDataTest, EmailAddressesCannotAddHeadersOrRecipients) {
  StandardSetup();
  Owner("A1", "Line break", "a@example.com\r\nBcc: thief@example.net");
  Owner("A2", "Bare line feed", "a@example.com\nX-Injected: yes");
  Owner("A3", "Two with a comma", "a@example.com, thief@example.net");
  Owner("A4", "Two with a semicolon", "a@example.com;thief@example.net");
  Owner("A5", "Display name", "Thief <thief@example.net>");
  Owner("A6", "Plain", "owner@example.com");
  RunResult r = Run("2009-04-18", "--to outbox");
  ASSERT_EQ(PrintedOrStopped(r), "");
  EXPECT_EQ(r.Events("end").size(), 6u);  // every owner's statement is its own document

  std::vector<std::filesystem::path> messages;
  for (const auto& entry : std::filesystem::directory_iterator(out_ / "outbox")) {
    messages.push_back(entry.path());
  }
  ASSERT_EQ(messages.size(), 6u);
  int addressed = 0;
  for (const auto& path : messages) {
    const std::string text = ReadFile(path);
    const std::string head = text.substr(0, text.find("\r\n\r\n"));
    // Header lines only as the engine writes them: none smuggled in.
    EXPECT_EQ(head.find("\r\nBcc:"), std::string::npos) << path;
    EXPECT_EQ(head.find("\r\nX-Injected:"), std::string::npos) << path;
    EXPECT_EQ(head.find("thief@"), std::string::npos) << path;
    for (size_t at = head.find('\n'); at != std::string::npos; at = head.find('\n', at + 1)) {
      EXPECT_EQ(head[at - 1], '\r') << path << ": a bare line feed in the header";
    }
    if (head.find("\r\nTo: owner@example.com") != std::string::npos) ++addressed;
  }
  EXPECT_EQ(addressed, 1);
}

TEST_F(HostileDataTest, AMegabyteNoteIsPrintedWhole) {
  StandardSetup();
  Owner("BIG", "Big Notes");
  std::string note;
  while (note.size() < (1u << 20)) {
    note += "Paragraph " + std::to_string(note.size()) + ": the gutter at the back was cleared, ";
    note += "the tenant was told, and the invoice will follow.\r\n";
  }
  Sql("update notes set note = " + Quoted(note) +
      " where parent_code = 'BIG';"
      "update disbursement set note = " +
      Quoted(note) + " where owner = 'BIG' and amount = 90");
  // Laid out and traced, not rendered: the layout is where a long text
  // costs, and a thousand pages of PDF would only slow the test.
  RunResult r = Run("2009-04-18", "--notes --to none");
  ASSERT_EQ(PrintedOrStopped(r), "");
  // The owner note through "notes" and the disbursement note through
  // "Notes" (after the journal line's description): each copy holds the
  // next piece, and nothing is lost.
  for (const auto& [section, before] : {std::pair{"notes", ""}, std::pair{"Notes", "rent"}}) {
    std::string printed;
    for (const auto& piece : r.Fields(section, section)) printed += piece;
    std::string expected = before;  // line breaks and blanks may fall between copies
    for (const char c : note) {
      if (c != '\r' && c != '\n' && c != ' ') expected += c;
    }
    std::string compact;
    for (const char c : printed) {
      if (c != '\r' && c != '\n' && c != ' ') compact += c;
    }
    EXPECT_EQ(compact.size(), expected.size()) << section;
    EXPECT_TRUE(compact == expected) << section;
  }
}

TEST_F(HostileDataTest, NullsInEveryOptionalColumn) {
  Sql("insert into options (options_id) values (1);"
      "insert into glcodes (gl_code) values (null);"
      "insert into owner (code) values ('N');"
      "insert into property (code, ownercode, [sale value]) values ('NP', 'N', 0);"
      "insert into tenancy (reference, [property code], closed_yn, [when ended]) values "
      "('NT', 'NP', 0, '1234-01-01 00:00:00');"
      "insert into rent_periods (tenant_code) values ('NT');"
      "insert into notes (note_type, parent_code, on_owner) values (1, 'N', -1);"
      "insert into Revenues ([property code], Date, Amount) values ('NP', '2009-04-10 00:00:00', "
      "5);"
      "insert into Expenses ([property code], Date, Amount) values ('NP', '2009-04-11 00:00:00', "
      "2);"
      "insert into disbursement (recordnumber, owner, date, amount) values "
      "(7, 'N', '2009-04-18 00:00:00', 3);"
      "insert into extra_fees (disburse_id) values (7);");
  // The owner's missing name and address print as blanks; the tenancy's
  // missing frequency stops the run at the property list, plain or detailed.
  for (const char* options : {"", "--notes --detailed"}) {
    RunResult r = Run("2009-04-18", options);
    EXPECT_EQ(PrintedOrStopped(r), "Error printing report - Invalid use of Null") << options;
    EXPECT_EQ(r.Outline(), "Header ") << options;
    EXPECT_EQ(r.Fields("Header", "Owner"), std::vector<std::string>{""});
  }
}

TEST_F(HostileDataTest, DatesAtTheLimitsOfTheCalendar) {
  StandardSetup();
  Sql("insert into owner (code, name, street1) values ('OLD', 'Early', 'x'), ('NEW', 'Late', 'y');"
      "insert into disbursement (owner, date, amount) values "
      "('OLD', '0100-01-01 00:00:00', 1), ('NEW', '9999-12-31 00:00:00', 2),"
      "('NEW', '9999-12-30 00:00:00', 3);"
      "insert into property (code, ownercode, [sale value]) values ('LP', 'NEW', 0);"
      "insert into Expenses ([property code], Date, Amount, counter_gl) values "
      "('LP', '9999-12-31 00:00:00', 4, 'BANK');");
  RunResult early = Run("0100-01-01");
  ASSERT_EQ(PrintedOrStopped(early), "");
  // The first disbursement, dated before the usual hundred-year period,
  // still gets its statement, the period starting on its own date.
  EXPECT_EQ(early.Fields("Header", "DateRange"),
            std::vector<std::string>{"Transaction from 01/01/0100 to 01/01/0100"});
  EXPECT_EQ(early.Fields("DisburseDetail", "amount"), std::vector<std::string>{"1.00"});

  RunResult late = Run("9999-12-31");
  ASSERT_EQ(PrintedOrStopped(late), "");
  ASSERT_EQ(late.Fields("Header", "DateRange").size(), 1u);
  EXPECT_EQ(late.Fields("Header", "DateRange")[0], "Transaction from 31/12/9999 to 31/12/9999");
  EXPECT_EQ(late.Fields("TransDetail", "Expense"), std::vector<std::string>{"4.00"});
}

TEST_F(HostileDataTest, AmountsAtTheCurrencyLimitsPrintOrStopOnOverflow) {
  // A money column is a double: the largest amount it holds exactly within
  // the currency's range is a whole number.
  StandardSetup();
  Sql("insert into owner (code, name, street1) values ('MAX', 'Most', 'x'), ('MIN', 'Least', 'y');"
      "insert into property (code, ownercode, [sale value]) values ('PX', 'MAX', 0);"
      "insert into disbursement (owner, date, amount, fees, tax, reserve_taken) values "
      "('MAX', '2009-04-18 00:00:00', 922337203685477, 0, 0, 0),"
      "('MIN', '2009-04-18 00:00:00', -922337203685477, 0, 0, 0);");
  RunResult single = Run("2009-04-18");
  ASSERT_EQ(PrintedOrStopped(single), "");
  const auto amounts = single.Fields("DisburseDetail", "amount");
  ASSERT_EQ(amounts.size(), 2u);
  EXPECT_EQ(amounts[0], "922337203685477.00");
  EXPECT_EQ(amounts[1], "-922337203685477.00");

  // Two incomes at the limit overflow the property's total: the run stops
  // with the overflow, it does not print a wrapped-around sum.
  Sql("insert into Revenues ([property code], Date, Amount, counter_gl, [Revenue Group]) values "
      "('PX', '2009-04-10 00:00:00', 922337203685477, 'BANK', 'RENT'),"
      "('PX', '2009-04-11 00:00:00', 922337203685477, 'BANK', 'RENT');");
  RunResult overflow = Run("2009-04-18");
  const std::string failure = PrintedOrStopped(overflow);
  // The overflow says what was added up, for whom, in which table and where.
  EXPECT_NE(failure.find("Overflow: the income of owner MAX (table Revenues) at the journal "
                         "line of property PX on 11/04/2009 passes the largest amount"),
            std::string::npos)
      << failure;
  EXPECT_EQ(overflow.status, 1);
  EXPECT_TRUE(overflow.Copies("TransFooter").empty()) << "a total was printed";
}

TEST_F(HostileDataTest, TheDataReachesTheTerminalEscapedAndAStoppedRunPrintsNoCounts) {
  StandardSetup();
  // An escape sequence and a carriage return in the owner's code and name.
  Owner("EV\x1b[2JIL", "Ms \rEve", "not an address");
  Sql("update disbursement set amount = NULL");
  RunResult r = Run("2009-04-18");
  ASSERT_EQ(r.status, 1);
  EXPECT_NE(r.stderr_text.find("EV\\x1B[2JIL"), std::string::npos) << r.stderr_text;
  EXPECT_EQ(r.stderr_text.find('\x1b'), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "stdout.txt").find(" statements, "), std::string::npos);

  Sql("update disbursement set amount = 10");
  r = Run("2009-04-18", "--to outbox");
  const std::string summary = ReadFile(dir_ / "stdout.txt");
  EXPECT_NE(summary.find("Ms \\rEve: no valid e-mail address"), std::string::npos) << summary;
  EXPECT_EQ(summary.find('\x1b'), std::string::npos);
  EXPECT_EQ(summary.find('\r'), std::string::npos);
}

TEST_F(HostileDataTest, AnExplicitDatabaseThatDoesNotOpenStopsBeforeAnythingIsPrinted) {
  StandardSetup();
  Owner("OK1", "Ms Ok");
  // The folder's own property.mdb would print; the one named does not exist.
  const std::string missing = (dir_ / "nonexistent.mdb").string();
  RunResult r = Command("statements --date 2009-04-18 --database '" + missing + "' --app-folder '" +
                        dir_.string() + "' --out '" + out_.string() + "' --trace '" +
                        (dir_ / "trace.jsonl").string() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.Events("section").empty());
  EXPECT_NE(r.stderr_text.find("cannot open the database '" + missing + "'"), std::string::npos)
      << r.stderr_text;
  EXPECT_EQ(r.stderr_text.find("Reverting"), std::string::npos) << r.stderr_text;
}

}  // namespace
}  // namespace e2e
