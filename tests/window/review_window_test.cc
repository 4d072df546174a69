// The review window through the real command under Xvfb: it carries out
// DUNMERROW_REVIEW_WINDOW_STEPS and writes what it shows to standard output.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <set>

#include "statement_harness.h"

namespace e2e {
namespace {

using ::testing::HasSubstr;

class ReviewWindowTest : public StatementTest {
 protected:
  void SetUp() override {
    StandardSetup();
    // ALPHA's sixty lines take two pages; BRAVO has no address to e-mail to.
    Sql("insert into owner (code, name, street1, email) values "
        "('ALPHA', 'Alice Alpha', '1 Main St', 'alice@example.com'),"
        "('BRAVO', 'Bob Bravo', '2 High St', 'not an address');"
        "insert into property (code, ownercode, [sale value]) values ('A1', 'ALPHA', 0);"
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 60) "
        "insert into Revenues ([property code], Date, Amount, tax, counter_gl, [Revenue Group]) "
        "select 'A1', '2009-04-10 00:00:00', 10, 0, 'BANK', 'RENT' from n;"
        "insert into disbursement (owner, date, amount, fees, tax, reserve_taken) values "
        "('ALPHA', '2009-04-18 00:00:00', 590, 10, 1, 0),"
        "('BRAVO', '2009-04-18 00:00:00', 500, 50, 5, 0);");
  }

  // The preview of 2009-04-18 in the window, which takes `steps`, printing
  // to the stand-in `lp`; what the window wrote is in `shown_`.
  RunResult Window(const std::string& steps, const std::string& extra_args = "") {
    launcher_ = FakePrinter() + "DUNMERROW_REVIEW_WINDOW_STEPS='" + steps +
                "' GTK_A11Y=none GSK_RENDERER=cairo NO_AT_BRIDGE=1 " DUNMERROW_XVFB_RUN
                " -a -s '-screen 0 1400x1000x24' ";
    RunResult r = Run("2009-04-18", extra_args);
    shown_ = Stdout();
    return r;
  }

  std::string shown_;
};

// The blocks of "state" steps, in order.
std::vector<std::string> States(const std::string& shown) {
  std::vector<std::string> states;
  for (size_t at = shown.find("owners shown:"); at != std::string::npos;) {
    const size_t next = shown.find("owners shown:", at + 1);
    states.push_back(shown.substr(at, next == std::string::npos ? next : next - at));
    at = next;
  }
  return states;
}

TEST_F(ReviewWindowTest, ShowsTheOwnersAndPagesPrintsAndSnapshotsAndAfterAStopOffersNoPrint) {
  const fs::path shot = dir_ / "window.png";
  RunResult r = Window("state;action:next-page;state;filter:bravo;state;select:BRAVO;state;"
                       "action:send;state;answer:no;action:print;state;snapshot:" +
                       shot.string());
  ASSERT_EQ(r.status, 0) << r.stderr_text;
  const std::vector<std::string> states = States(shown_);
  ASSERT_EQ(states.size(), 6u) << shown_;
  EXPECT_THAT(states[0], HasSubstr("owners shown: 2 of 2\n"
                                   "row: ALPHA Alice Alpha, 2 pages, $590.00 disbursed\n"
                                   "row: BRAVO Bob Bravo, 1 page, $500.00 disbursed, "
                                   "no valid e-mail address\n"
                                   "pages: 3\ncurrent page: 1\n"));
  EXPECT_THAT(states[0], HasSubstr("subtitle: ALPHA Alice Alpha · Page 1 of 2 · 3 pages in all\n"));
  EXPECT_THAT(states[0], HasSubstr("print: enabled\nsend: enabled\nsave: enabled\n"));
  EXPECT_THAT(states[1], HasSubstr("subtitle: ALPHA Alice Alpha · Page 2 of 2 · "));
  EXPECT_THAT(states[2], HasSubstr("owners shown: 1 of 2\nrow: BRAVO "));
  EXPECT_THAT(states[3], HasSubstr("current page: 3\n"));
  EXPECT_THAT(states[3], HasSubstr("subtitle: BRAVO Bob Bravo · Page 1 of 1 · "));
  EXPECT_THAT(states[4], HasSubstr("question: 1 owner will be e-mailed; 1 owner has no valid "
                                   "e-mail address, and its statement waits in the outbox.\n"));

  // The print button: one job, the preview's pages, and the window says so.
  const std::string pdf = (out_ / "statements-2009-04-18.pdf").string();
  EXPECT_THAT(states[5], HasSubstr("status: Handed to the printer: 2 statements, 3 pages (" + pdf +
                                   ")\n"));
  EXPECT_THAT(states[5], HasSubstr("banner: \n"));
  const std::string jobs = ReadFile(dir_ / "lp.log");
  EXPECT_EQ(std::count(jobs.begin(), jobs.end(), '\n'), 1) << jobs;
  EXPECT_THAT(jobs, HasSubstr(pdf));
  EXPECT_THAT(testing_support::RunCommand("pdfinfo " + Quoted(dir_ / "job.pdf")).output,
              HasSubstr("Pages:           3\n"));
  EXPECT_FALSE(fs::exists(out_ / "outbox")) << "the e-mail question was answered no";

  // GTK's own snapshot of the window: a picture of some size, not blank.
  GError* error = nullptr;
  GdkPixbuf* picture = gdk_pixbuf_new_from_file(shot.c_str(), &error);
  ASSERT_NE(picture, nullptr) << (error ? error->message : "no snapshot");
  EXPECT_GE(gdk_pixbuf_get_width(picture), 1000);
  EXPECT_GE(gdk_pixbuf_get_height(picture), 700);
  std::set<uint32_t> colours;
  const int channels = gdk_pixbuf_get_n_channels(picture);
  const guchar* pixels = gdk_pixbuf_read_pixels(picture);
  for (int y = 0; y < gdk_pixbuf_get_height(picture); y += 3) {
    const guchar* row = pixels + y * gdk_pixbuf_get_rowstride(picture);
    for (int x = 0; x < gdk_pixbuf_get_width(picture); x += 3) {
      const guchar* p = row + x * channels;
      colours.insert(uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
    }
  }
  g_object_unref(picture);
  EXPECT_GT(colours.size(), 50u) << "the snapshot is blank";

  // --no-window keeps the terminal's way, display or not.
  RunResult plain = Window("state", "--no-window");
  EXPECT_EQ(plain.status, 0) << plain.stderr_text;
  EXPECT_EQ(shown_.find("owners shown:"), std::string::npos) << shown_;
  EXPECT_THAT(shown_, HasSubstr("2 statements, 3 pages\n"));

  // Stopped, the run shows ALPHA's two pages and BRAVO's first, and why.
  Sql("update disbursement set amount = null where owner = 'BRAVO'");
  RunResult stopped = Window("state;action:print");
  EXPECT_EQ(stopped.status, 1);
  const std::vector<std::string> stop = States(shown_);
  ASSERT_EQ(stop.size(), 1u) << shown_ << stopped.stderr_text;
  EXPECT_THAT(stop[0], HasSubstr("pages: 3\n"));
  EXPECT_THAT(stop[0], HasSubstr("banner: The run stopped: Invalid use of Null: the "
                                 "disbursement 2 of owner BRAVO has no amount\n"));
  EXPECT_THAT(stop[0], HasSubstr("print: disabled\nsend: disabled\nsave: disabled\n"));
  EXPECT_EQ(ReadFile(dir_ / "lp.log"), jobs) << "a stopped run was printed";
}

}  // namespace
}  // namespace e2e
