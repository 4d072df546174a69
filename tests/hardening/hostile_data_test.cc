// Hostile data in the host database, end to end through `dunmerrow
// statements`: every run either prints the statements or stops with its
// message, and the trace and the exit status say which.
#include <algorithm>
#include <string>

#include "statement_harness.h"

namespace e2e {
namespace {

// `text` as an SQL literal.
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// `text` without the line breaks and blanks that may fall between copies.
std::string Compact(std::string text) {
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == ' '; });
  return text;
}

class HostileDataTest : public StatementTest {
 protected:
  // An owner with a property, an open tenancy, an owner note, a journal line
  // and a disbursement on 18/04/2009, all keyed by `code`.
  void Owner(const std::string& code, const std::string& name, const std::string& email = "") {
    const std::string c = Literal(code);
    const std::string p = Literal(code + "/P");
    const std::string t = Literal(code + "/T");
    Sql("insert into owner (code, name, street1, email) values (" + c + ", " + Literal(name) +
        ", '1 Sea St', " + Literal(email) + ");"
        "insert into property (code, ownercode, Address1) values (" + p + ", " + c + ", " +
        Literal("Flat of " + code) + ");"
        "insert into tenancy (reference, [property code], name, [current rent], every_amt, "
        "every_freq, closed_yn, [when ended]) values (" + t + ", " + p + ", " +
        Literal("Tenant of " + code) + ", 100, 1, 'week', 0, '1234-01-01 00:00:00');"
        "insert into notes (note_type, parent_code, on_owner, note) values (1, " + c + ", -1, " +
        Literal("Note for " + code) + ");"
        "insert into Revenues (tenant_code, [property code], Date, Amount, tax, counter_gl, "
        "[Revenue Group], description) values (" + t + ", " + p +
        ", '2009-04-10 00:00:00', 100, 0, 'BANK', 'RENT', 'rent');"
        "insert into disbursement (owner, date, amount, fees, tax, reserve_taken) values (" + c +
        ", '2009-03-31 00:00:00', 1, 0, 0, 0), (" + c + ", '2009-04-18 00:00:00', 90, 10, 0, 0);");
  }
};

TEST_F(HostileDataTest, CodesWithQuotesWildcardsBracketsAndWordsPrintTheirOwnStatements) {
  StandardSetup();
  const Texts codes = {"#1", "50%", "O'Brien", "[X]", "_a", "false", "true", "x' or 1=1 --",
                       "Zoë✓"};
  for (const std::string& code : codes) Owner(code, "Owner " + code);
  RunResult r = Run("2009-04-18", "--notes --detailed");
  ASSERT_TRUE(Printed(r));
  // One statement per owner, each with its own property, tenancy, note,
  // journal line and disbursement: no code matched another's rows, none was
  // taken as a pattern, a boolean or a piece of SQL.
  EXPECT_EQ(r.Fields("TransDetail", "Income"), Texts(codes.size(), "100.00"));
  EXPECT_EQ(r.Fields("DisburseFooter", "TotalValue"), Texts(codes.size(), "90.00"));
  EXPECT_EQ(r.Fields("Header", "DateRange"),
            Texts(codes.size(), "Transaction from 01/04/2009 to 18/04/2009"));
  const Texts properties = r.Fields("property", "Property");
  const Texts tenants = r.Fields("property", "tenant");
  const Texts notes = r.Fields("notes", "notes");
  for (const std::string& code : codes) {
    EXPECT_EQ(std::count(properties.begin(), properties.end(), "Flat of " + code + ","), 1) << code;
    EXPECT_EQ(std::count(tenants.begin(), tenants.end(),
                         "Tenant of " + code + " paying $100.00 per week"), 1) << code;
    EXPECT_EQ(std::count(notes.begin(), notes.end(), "Note for " + code), 1) << code;
  }
}

TEST_F(HostileDataTest, AMegabyteNoteIsPrintedWhole) {
  StandardSetup();
  Owner("BIG", "Big Notes");
  std::string note;
  while (note.size() < (1u << 20)) {
    note += "Paragraph " + std::to_string(note.size()) + ": the gutter at the back was cleared, ";
    note += "the tenant was told, and the invoice will follow.\r\n";
  }
  Sql("update notes set note = " + Literal(note) + " where parent_code = 'BIG';"
      "update disbursement set note = " + Literal(note) + " where owner = 'BIG' and amount = 90");
  // Laid out and traced, not rendered: the layout is where a long text
  // costs, and a thousand pages of PDF would only slow the test.
  RunResult r = Run("2009-04-18", "--notes --to none");
  ASSERT_TRUE(Printed(r));
  // The owner note through "notes" and the disbursement note through
  // "Notes" (after the journal line's description): each copy holds the
  // next piece, and nothing is lost.
  for (const auto& [section, before] : {std::pair{"notes", ""}, std::pair{"Notes", "rent"}}) {
    std::string printed;
    for (const auto& piece : r.Fields(section, section)) printed += piece;
    printed = Compact(printed);
    const std::string expected = before + Compact(note);
    EXPECT_TRUE(printed == expected) << section << ": " << printed.size() << " of "
                                     << expected.size();
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
      "insert into Revenues ([property code], Date, Amount) values "
      "('NP', '2009-04-10 00:00:00', 5);"
      "insert into Expenses ([property code], Date, Amount) values "
      "('NP', '2009-04-11 00:00:00', 2);"
      "insert into disbursement (recordnumber, owner, date, amount) values "
      "(7, 'N', '2009-04-18 00:00:00', 3);"
      "insert into extra_fees (disburse_id) values (7);");
  // The owner's missing name and address print as blanks; the tenancy's
  // missing frequency stops the run at the property list.
  RunResult r = Run("2009-04-18", "--notes --detailed");
  EXPECT_EQ(Stopped(r), "Error printing report - Invalid use of Null");
  EXPECT_EQ(r.Outline(), "Header ");
  EXPECT_EQ(r.Fields("Header", "Owner"), Texts{""});
}

TEST_F(HostileDataTest, DatesAndAmountsAtTheirLimitsPrintOrStopOnOverflow) {
  StandardSetup();
  Sql("insert into owner (code, name, street1) values ('OLD', 'Early', 'x'), ('NEW', 'Late', 'y');"
      "insert into disbursement (owner, date, amount) values "
      "('OLD', '0100-01-01 00:00:00', 1), ('NEW', '9999-12-31 00:00:00', 2),"
      "('NEW', '9999-12-30 00:00:00', 3);"
      "insert into property (code, ownercode, [sale value]) values ('LP', 'NEW', 0);"
      "insert into Expenses ([property code], Date, Amount, counter_gl) values "
      "('LP', '9999-12-31 00:00:00', 4, 'BANK');");
  // The first disbursement, dated before the usual hundred-year period,
  // still gets its statement, the period starting on its own date.
  RunResult early = Run("0100-01-01");
  ASSERT_TRUE(Printed(early));
  EXPECT_EQ(early.Fields("Header", "DateRange"),
            Texts{"Transaction from 01/01/0100 to 01/01/0100"});
  EXPECT_EQ(early.Fields("DisburseDetail", "amount"), Texts{"1.00"});

  RunResult late = Run("9999-12-31");
  ASSERT_TRUE(Printed(late));
  EXPECT_EQ(late.Fields("Header", "DateRange"), Texts{"Transaction from 31/12/9999 to 31/12/9999"});
  EXPECT_EQ(late.Fields("TransDetail", "Expense"), Texts{"4.00"});

  // A money column is a double: the largest amount it holds exactly within
  // the currency's range is a whole number.
  Sql("insert into owner (code, name, street1) values ('MAX', 'Most', 'x'), ('MIN', 'Least', 'y');"
      "insert into property (code, ownercode, [sale value]) values ('PX', 'MAX', 0);"
      "insert into disbursement (owner, date, amount, fees, tax, reserve_taken) values "
      "('MAX', '2009-04-18 00:00:00', 922337203685477, 0, 0, 0),"
      "('MIN', '2009-04-18 00:00:00', -922337203685477, 0, 0, 0);");
  RunResult single = Run("2009-04-18");
  ASSERT_TRUE(Printed(single));
  EXPECT_EQ(single.Fields("DisburseDetail", "amount"),
            (Texts{"922337203685477.00", "-922337203685477.00"}));

  // Two incomes at the limit overflow the property's total: the run stops
  // with an overflow that says what was added up, for whom, in which table
  // and where; it prints no wrapped-around sum.
  Sql("insert into Revenues ([property code], Date, Amount, counter_gl, [Revenue Group]) values "
      "('PX', '2009-04-10 00:00:00', 922337203685477, 'BANK', 'RENT'),"
      "('PX', '2009-04-11 00:00:00', 922337203685477, 'BANK', 'RENT');");
  RunResult overflow = Run("2009-04-18");
  const std::string failure = Stopped(overflow);
  EXPECT_NE(failure.find("Overflow: the income of owner MAX (table Revenues) at the journal "
                         "line of property PX on 11/04/2009 passes the largest amount"),
            std::string::npos)
      << failure;
  EXPECT_TRUE(overflow.Events("section", "TransFooter").empty()) << "a total was printed";
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
  EXPECT_EQ(Stdout().find(" statements, "), std::string::npos);

  Sql("update disbursement set amount = 10");
  Run("2009-04-18", "--to outbox");
  EXPECT_NE(Stdout().find("Ms \\rEve: no valid e-mail address"), std::string::npos) << Stdout();
  EXPECT_EQ(Stdout().find('\x1b'), std::string::npos);
  EXPECT_EQ(Stdout().find('\r'), std::string::npos);
}

}  // namespace
}  // namespace e2e
