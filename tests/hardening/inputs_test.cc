// Inputs and resources through the real command: settings that reading must
// not rewrite, pictures that would hang or exhaust the run, and a mail
// sender that would add SMTP commands. Each is refused or left alone with a
// message naming it.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "statement_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using testing_support::ReadFile;

class InputsTest : public StatementTest {
 protected:
  void OneOwner() {
    StandardSetup();
    Sql("insert into owner (code, name, email) values ('SMITH', 'J Smith', 'js@example.com');"
        "insert into disbursement (owner, date, amount) values ('SMITH', '2009-04-18 00:00:00', "
        "10)");
  }

  // A statements run whose component folder holds the statement definition
  // and a picture made by `make_logo`.
  RunResult RunWithLogo(const std::function<void(const fs::path&)>& make_logo) {
    home_ = dir_ / "home";
    fs::create_directories(home_);
    fs::copy_file(fs::path(DUNMERROW_BIN_DIR) / "OwnerStatement.rdn", home_ / "OwnerStatement.rdn",
                  fs::copy_options::overwrite_existing);
    fs::remove(home_ / "reportlogo.bmp");
    make_logo(home_ / "reportlogo.bmp");
    return Run("2009-04-18");
  }
};

// Reads (settings get, a statements run) leave the machine-wide file byte
// for byte; `settings set` changes its one line, keeps the CRLF line ends
// and the comments, and leaves nothing beside it.
TEST_F(InputsTest, ReadingSettingsNeverWritesThemAndSetChangesOneLine) {
  OneOwner();
  const fs::path machine = dir_ / "machine.ini";
  const std::string original =
      "; written by the installer\r\n"
      "[SOFTWARE\\Quellory\\Mail]\r\n"
      "# the office relay\r\n"
      "Host=mail.example\r\n"
      "\r\n"
      "[SOFTWARE\\Quellory\\Configure]\r\n"
      "Printer=front-desk\r\n";
  std::ofstream(machine, std::ios::binary) << original;
  chmod(machine.c_str(), 0640);

  RunResult got = Command("settings get Mail Host");
  EXPECT_EQ(got.status, 0) << got.stderr_text;
  EXPECT_EQ(ReadFile(dir_ / "stdout.txt"), "mail.example\n");
  RunResult run = Run("2009-04-18", "--to none");
  EXPECT_EQ(run.status, 0) << run.stderr_text;
  EXPECT_EQ(ReadFile(machine), original);

  RunResult set = Command("settings set --machine Mail Host relay.example");
  EXPECT_EQ(set.status, 0) << set.stderr_text;
  std::string expected = original;
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
// and gigabytes to decode: each is refused before it is read or decoded,
// naming the file and the limit, and nothing is written.
TEST_F(InputsTest, ALogoThatIsAFifoOrTooLargeIsRefusedNamingIt) {
  OneOwner();
  RunResult fifo = RunWithLogo([](const fs::path& logo) { mkfifo(logo.c_str(), 0644); });
  EXPECT_EQ(fifo.status, 1) << fifo.stderr_text;
  EXPECT_NE(fifo.stderr_text.find("reportlogo.bmp: it is not a regular file"), std::string::npos)
      << fifo.stderr_text;

  // 20000 x 20000 pixels of one colour: the PNG header and the start of its
  // picture data are enough for the size to be known.
  const fs::path script = dir_ / "wide_png.py";
  std::ofstream(script) << "import struct, sys, zlib\n"
                           "def chunk(kind, data):\n"
                           "    body = kind + data\n"
                           "    return struct.pack('>I', len(data)) + body + "
                           "struct.pack('>I', zlib.crc32(body))\n"
                           "header = struct.pack('>IIBBBBB', 20000, 20000, 8, 2, 0, 0, 0)\n"
                           "rows = zlib.compress(bytes(60001) * 4)\n"
                           "open(sys.argv[1], 'wb').write(b'\\x89PNG\\r\\n\\x1a\\n' + "
                           "chunk(b'IHDR', header) + chunk(b'IDAT', rows) + chunk(b'IEND', b''))\n";
  RunResult wide = RunWithLogo([&](const fs::path& logo) {
    ASSERT_EQ(std::system(("python3 '" + script.string() + "' '" + logo.string() + "'").c_str()),
              0);
  });
  EXPECT_EQ(wide.status, 1) << wide.stderr_text;
  EXPECT_NE(wide.stderr_text.find("reportlogo.bmp is 20000 x 20000 pixels, over the limit of "
                                  "10000 pixels a side and 40 megapixels"),
            std::string::npos)
      << wide.stderr_text;

  // 30 MB that take no room on the disk.
  RunResult heavy = RunWithLogo([](const fs::path& logo) {
    std::ofstream(logo, std::ios::binary) << "BM";
    fs::resize_file(logo, 30 * 1024 * 1024);
  });
  EXPECT_EQ(heavy.status, 1) << heavy.stderr_text;
  EXPECT_NE(heavy.stderr_text.find("reportlogo.bmp: it is larger than the limit of 20 MB"),
            std::string::npos)
      << heavy.stderr_text;
  EXPECT_FALSE(fs::exists(out_) && !fs::is_empty(out_));
}

// A line break in the sender would end the MAIL FROM command and start
// another: the setting is refused before anything is sent, with its control
// characters shown as escapes.
TEST_F(InputsTest, ASenderWithALineBreakIsRefusedNamingTheSetting) {
  OneOwner();
  ASSERT_EQ(Command("settings set --machine Mail From \"$(printf 'office@example.com\\rRCPT "
                    "TO:<x@example.org>')\"")
                .status,
            0);
  const std::string expected =
      "The setting Mail/From is not a plain e-mail address (name@example.com): "
      "'office@example.com\\rRCPT TO:<x@example.org>'";
  RunResult send = Command("outbox send --out '" + out_.string() + "'");
  EXPECT_EQ(send.status, 1);
  EXPECT_NE(send.stderr_text.find(expected), std::string::npos) << send.stderr_text;
  RunResult run = Run("2009-04-18", "--to outbox");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.stderr_text.find(expected), std::string::npos) << run.stderr_text;
  EXPECT_FALSE(fs::exists(out_ / "outbox"));
}

}  // namespace
}  // namespace e2e
