// Inputs and resources through the real command: each is refused or left
// alone with a message naming it, and nothing is written.
#include <sys/stat.h>

#include <functional>

#include "statement_harness.h"

namespace e2e {
namespace {

class InputsTest : public StatementTest {
 protected:
  void SetUp() override {
    StandardSetup();
    Sql("insert into owner (code, name, email) values ('SMITH', 'J Smith', 'js@example.com');"
        "insert into disbursement (owner, date, amount) values ('SMITH', '2009-04-18 00:00:00', "
        "10)");
  }
};

// The settings file as the installer writes it.
constexpr char kMachineSettings[] =
    "; written by the installer\r\n[SOFTWARE\\Quellory\\Mail]\r\n# the office relay\r\n"
    "Host=mail.example\r\n\r\n[SOFTWARE\\Quellory\\Configure]\r\nPrinter=front-desk\r\n";

// Reads (settings get, a statements run) leave the machine-wide file byte
// for byte; `settings set` changes its one line, keeps the CRLF line ends,
// the comments and the permissions, and leaves nothing beside it.
TEST_F(InputsTest, ReadingSettingsNeverWritesThemAndSetChangesOneLine) {
  const fs::path machine = dir_ / "machine.ini";
  WriteFile(machine, kMachineSettings);
  chmod(machine.c_str(), 0640);
  EXPECT_EQ(Command("settings get Mail Host").status, 0);
  EXPECT_EQ(Stdout(), "mail.example\n");
  EXPECT_TRUE(Printed(Run("2009-04-18", "--to none")));
  EXPECT_EQ(ReadFile(machine), kMachineSettings);

  EXPECT_EQ(Command("settings set --machine Mail Host relay.example").status, 0);
  std::string expected = kMachineSettings;
  expected.replace(expected.find("mail.example"), 12, "relay.example");
  EXPECT_EQ(ReadFile(machine), expected);
  EXPECT_EQ(fs::status(machine).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "machine.ini" || name.find("machine.ini") == std::string::npos) << name;
  }
}

// A FIFO would block the run forever, and a huge picture would take seconds
// and gigabytes to decode: each is refused before it is read or decoded. (A
// picture that does not decode and a font not installed are the definition
// checks' own cases.)
TEST_F(InputsTest, APictureThatIsMissingOrNoFileOrTooLargeIsRefusedNamingIt) {
  const struct {
    const char* what;
    std::function<void(const fs::path& logo)> spoil;  // the statement's picture
    const char* says;
  } resources[] = {
      {"missing", [](const fs::path& p) { fs::remove(p); }, "reportlogo.bmp"},
      {"a FIFO",
       [](const fs::path& p) {
         fs::remove(p);
         mkfifo(p.c_str(), 0644);
       },
       "reportlogo.bmp: it is not a regular file"},
      {"too wide",  // the header of a bitmap of 20000 x 20000 pixels
       [](const fs::path& p) {
         const char header[] = "BM6\0\0\0\0\0\0\0" "6\0\0\0" "(\0\0\0" " N\0\0" " N\0\0" "\1\0\x18";
         WriteFile(p, std::string(header, sizeof header) + std::string(24, '\0'));
       },
       "reportlogo.bmp is 20000 x 20000 pixels, over the limit of 10000 pixels a side and 40 "
       "megapixels"},
      {"too heavy",  // 30 MB that take no room on the disk
       [](const fs::path& p) { fs::resize_file(p, 30 * 1024 * 1024); },
       "reportlogo.bmp: it is larger than the limit of 20 MB"},
  };
  for (const auto& resource : resources) {
    home_ = dir_ / resource.what;
    fs::create_directories(home_);
    for (const char* file : {"reportlogo.bmp", "OwnerStatement.rdn"}) {
      fs::copy_file(fs::path(DUNMERROW_BIN_DIR) / file, home_ / file);
    }
    resource.spoil(home_ / "reportlogo.bmp");
    RunResult r = Run("2009-04-18");
    EXPECT_EQ(r.status, 1) << resource.what;
    EXPECT_NE(r.stderr_text.find(resource.says), std::string::npos)
        << resource.what << ": " << r.stderr_text;
    EXPECT_EQ(FilesUnder(out_), Texts{}) << resource.what;
  }
}

// A line break in the sender would end the MAIL FROM command and start
// another: the setting is refused before anything is sent, with its control
// characters shown as escapes.
TEST_F(InputsTest, ASenderWithALineBreakIsRefusedNamingTheSetting) {
  WriteFile(dir_ / "machine.ini",
            "[SOFTWARE\\Quellory\\Mail]\nFrom=\"office@example.com\\rRCPT TO:<x@example.org>\"\n");
  const std::string expected =
      "The setting Mail/From is not a plain e-mail address (name@example.com): "
      "'office@example.com\\rRCPT TO:<x@example.org>'";
  for (const RunResult& r :
       {Command("outbox send --out " + Quoted(out_)), Run("2009-04-18", "--to outbox")}) {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.stderr_text.find(expected), std::string::npos) << r.stderr_text;
  }
  EXPECT_FALSE(fs::exists(out_ / "outbox"));
}

}  // namespace
}  // namespace e2e
