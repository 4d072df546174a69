// The settings hive's INI file: typed values round-trip, untouched lines stay
// as they were, and malformed files are read as far as they go.
#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/settings_hive.h"

namespace platform::settings {

void PrintTo(const Value& value, std::ostream* os) {
  *os << value.type << ":" << ::testing::PrintToString(value.data);
}

namespace {

using namespace std::string_literals;

Value Text(const std::string& text) { return Value{REG_SZ, text}; }
Value Dword(uint32_t n) {
  std::string data(4, '\0');
  for (size_t i = 0; i < 4; ++i) data[i] = static_cast<char>(n >> (8 * i) & 0xff);
  return Value{REG_DWORD, data};
}

TEST(SettingsFileTest, ReadsTextDwordAndBinaryValues) {
  const auto file = SettingsFile::Parse(
      "; machine settings\n"
      "[SOFTWARE\\Quellory\\Settings]\r\n"
      "apppath=C:\\Quellory\\Data\r\n"
      "Networkable = dword:00000105\n"
      "Blob=hex:01,ff,0a\n"
      "Quoted=\"a=b\\nc\"\n"
      "@=default value\n");
  EXPECT_EQ(file.Find("software\\quellory\\settings", "APPPATH"), Text("C:\\Quellory\\Data"));
  EXPECT_EQ(file.Find("SOFTWARE\\Quellory\\Settings", "Networkable"), Dword(261));
  EXPECT_EQ(file.Find("SOFTWARE\\Quellory\\Settings", "Blob"), (Value{REG_BINARY, "\x01\xff\n"}));
  EXPECT_EQ(file.Find("SOFTWARE\\Quellory\\Settings", "Quoted"), Text("a=b\nc"));
  EXPECT_EQ(file.Find("SOFTWARE\\Quellory\\Settings", ""), Text("default value"));
  EXPECT_FALSE(file.Find("SOFTWARE\\Quellory\\Settings", "Missing"));
  EXPECT_FALSE(file.Find("SOFTWARE\\Quellory", "apppath"));
}

TEST(SettingsFileTest, KeysExistWithTheirParents) {
  const auto file = SettingsFile::Parse("[SOFTWARE\\Quellory\\Settings]\n");
  EXPECT_TRUE(file.HasKey(""));
  EXPECT_TRUE(file.HasKey("SOFTWARE"));
  EXPECT_TRUE(file.HasKey("software\\QUELLORY"));
  EXPECT_TRUE(file.HasKey("SOFTWARE\\Quellory\\Settings"));
  EXPECT_FALSE(file.HasKey("SOFTWARE\\Quell"));
  EXPECT_FALSE(file.HasKey("SOFTWARE\\Quellory\\Settings\\Deeper"));
  EXPECT_EQ(NormaliseKeyPath("\\SOFTWARE\\\\Quellory\\"), "SOFTWARE\\Quellory");
}

// Every value, however awkward, reads back as it was stored.
TEST(SettingsFileTest, StoredValuesReadBackUnchanged) {
  const Value values[] = {
      Text("plain"),
      Text(""),
      Text(" leading and trailing "),
      Text("\"starts quoted"),
      Text("dword:1"),
      Text("HEX:00"),
      Text("line\r\nbreaks"),
      Text("nul\0in"s),
      Text("tab\tand \\ backslash"),
      Text("ctrl\x01\x7f"),
      Text("= ; # [ ]"),
      Text("naïve café"),
      Dword(0),
      Dword(0xffffffff),
      Value{REG_BINARY, ""},
      Value{REG_BINARY, "\0\x80"s},
      Value{7, "x\0y"s},
  };
  const std::string names[] = {"name",     "",      "@",   "with=equals", " spaced",
                               "[bracket", ";semi", "\"q", "line\nbreak"};
  for (const Value& value : values) {
    for (const std::string& name : names) {
      SettingsFile file = SettingsFile::Parse("");
      file.Set("K", name, value);
      const auto reread = SettingsFile::Parse(file.Serialise());
      EXPECT_EQ(reread.Find("K", name), value)
          << "name '" << name << "' data '" << value.data << "' in:\n"
          << file.Serialise();
    }
  }
}

TEST(SettingsFileTest, SettingKeepsEveryOtherLineAsItWas) {
  const std::string original =
      "# written by hand\n"
      "[Settings]\n"
      "apppath = /srv/quellory   \n"
      "this line is not a setting\n"
      "Networkable=dword:zz\n"
      "\n"
      "[Mail]\n"
      "Server=mail.example\n";
  SettingsFile file = SettingsFile::Parse(original);
  EXPECT_EQ(file.Serialise(), original);

  file.Set("settings", "APPPATH", Text("/opt/q"));
  file.Set("Settings", "DatabaseLocation", Text("/data/property.mdb"));
  file.Set("Configure", "ReportLogo", Text("/srv/logo.bmp"));
  EXPECT_EQ(file.Serialise(),
            "# written by hand\n"
            "[Settings]\n"
            "apppath=/opt/q\n"
            "this line is not a setting\n"
            "Networkable=dword:zz\n"
            "DatabaseLocation=/data/property.mdb\n"
            "\n"
            "[Mail]\n"
            "Server=mail.example\n"
            "\n"
            "[Configure]\n"
            "ReportLogo=/srv/logo.bmp\n");
}

// A file written on another system keeps its CRLF line ends, its stray
// carriage returns and its last line without a line end; added lines end
// as its first line does.
TEST(SettingsFileTest, LineEndsAreKeptAndAddedLinesFollowTheFile) {
  const std::string original =
      "; kept as written\r\n"
      "[Settings]\r\n"
      "apppath=/srv/q\r\n"
      "odd=line\r\r\n"
      "Networkable=0";
  SettingsFile file = SettingsFile::Parse(original);
  EXPECT_EQ(file.Serialise(), original);
  EXPECT_EQ(file.Find("Settings", "odd"), Text("line"));
  file.Set("Settings", "apppath", Text("/opt/q"));
  file.Set("Mail", "From", Text("office@example.com"));
  EXPECT_EQ(file.Serialise(),
            "; kept as written\r\n"
            "[Settings]\r\n"
            "apppath=/opt/q\r\n"
            "odd=line\r\r\n"
            "Networkable=0\r\n"
            "\r\n"
            "[Mail]\r\n"
            "From=office@example.com\r\n");
}

TEST(SettingsFileTest, MalformedLinesHoldNoValue) {
  const auto file = SettingsFile::Parse(
      "[Settings\n"
      "orphan=before any real section\n"
      "[Settings]\n"
      "bad_dword=dword:123456789\n"
      "bad_hex=hex:1g\n"
      "open_quote=\"never closed\n"
      "bad_escape=\"\\q\"\n"
      "\"unclosed name=1\n"
      "no equals sign\n"
      "=empty name is the default value\n"
      "good=yes\n"
      "\xff\xfe\x00garbage\n");
  for (const char* name : {"bad_dword", "bad_hex", "open_quote", "bad_escape", "orphan"}) {
    EXPECT_FALSE(file.Find("Settings", name)) << name;
  }
  EXPECT_EQ(file.Find("Settings", ""), Text("empty name is the default value"));
  EXPECT_EQ(file.Find("Settings", "good"), Text("yes"));
}

// Arbitrary bytes never crash the reader, rewriting is stable, and a value
// set in such a file reads back.
TEST(SettingsFileTest, ArbitraryBytesAreReadAndRewrittenSafely) {
  std::mt19937 random(20261206);
  constexpr char kBytes[] =
      "[]=\"\\;#@ \t\r\n\0\x01\xff"
      "abcdword:hex(7):,0123456789";
  const std::string alphabet(kBytes, sizeof kBytes - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const size_t length = random() % 120;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    SettingsFile file = SettingsFile::Parse(text);
    const std::string before = file.Serialise();
    EXPECT_EQ(SettingsFile::Parse(before).Serialise(), before);
    file.Set("Settings", "apppath", Text("/srv/q"));
    const auto reread = SettingsFile::Parse(file.Serialise());
    EXPECT_EQ(reread.Find("Settings", "apppath"), Text("/srv/q")) << "in:\n" << file.Serialise();
  }
}

}  // namespace
}  // namespace platform::settings
