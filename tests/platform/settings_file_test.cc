// The settings hive's INI file: typed values round-trip, untouched lines stay
// as they were, and malformed files are read as far as they go.
#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/settings_hive.h"

namespace platform::settings {

void PrintTo(const Value& value, std::ostream* os) {
  *os << value.type << ":" << ::testing::PrintToString(value.data);
}

namespace {

using namespace std::string_literals;

Value Text(const std::string& text) { return Value{REG_SZ, text}; }

TEST(SettingsFileTest, ReadsTypedValuesAndKeysAndSkipsMalformedLines) {
  const auto file = SettingsFile::Parse(
      "; machine settings\n"
      "[Settings\n"
      "orphan=before any real section\n"
      "[SOFTWARE\\Quellory\\Settings]\r\n"
      "apppath=C:\\Quellory\\Data\r\n"
      "Networkable = dword:00000105\n"
      "Blob=hex:01,ff,0a\n"
      "Quoted=\"a=b\\nc\"\n"
      "@=default value\n"
      "[Settings]\n"
      "bad_dword=dword:123456789\n"
      "bad_hex=hex:1g\n"
      "open_quote=\"never closed\n"
      "bad_escape=\"\\q\"\n"
      "\"unclosed name=1\n"
      "no equals sign\n"
      "=empty name is the default value\n"
      "good=yes\n"
      "\xff\xfe\x00garbage\n"s);
  const std::string key = "SOFTWARE\\Quellory\\Settings";
  EXPECT_EQ(file.Find("software\\quellory\\settings", "APPPATH"), Text("C:\\Quellory\\Data"));
  EXPECT_EQ(file.Find(key, "Networkable"), (Value{REG_DWORD, "\x05\x01\0\0"s}));
  EXPECT_EQ(file.Find(key, "Blob"), (Value{REG_BINARY, "\x01\xff\n"}));
  EXPECT_EQ(file.Find(key, "Quoted"), Text("a=b\nc"));
  EXPECT_EQ(file.Find(key, ""), Text("default value"));
  EXPECT_FALSE(file.Find("SOFTWARE\\Quellory", "apppath"));
  for (const char* parent : {"", "SOFTWARE", "software\\QUELLORY", key.c_str()}) {
    EXPECT_TRUE(file.HasKey(parent)) << parent;
  }
  EXPECT_FALSE(file.HasKey("SOFTWARE\\Quell"));
  EXPECT_FALSE(file.HasKey(key + "\\Deeper"));
  EXPECT_EQ(NormaliseKeyPath("\\SOFTWARE\\\\Quellory\\"), "SOFTWARE\\Quellory");
  for (const char* name : {"bad_dword", "bad_hex", "open_quote", "bad_escape", "orphan"}) {
    EXPECT_FALSE(file.Find("Settings", name)) << name;
  }
  EXPECT_EQ(file.Find("Settings", ""), Text("empty name is the default value"));
  EXPECT_EQ(file.Find("Settings", "good"), Text("yes"));
}

// Every value, however awkward (embedded NULs included), reads back as it
// was stored, under every awkward name.
TEST(SettingsFileTest, StoredValuesReadBackUnchanged) {
  // clang-format off
  const Value values[] = {
      Text("plain"),          Text(""),         Text(" leading and trailing "),
      Text("\"starts quoted"), Text("dword:1"),  Text("HEX:00"),
      Text("line\r\nbreaks"), Text("nul\0in"s), Text("tab\tand \\ backslash"),
      Text("ctrl\x01\x7f"),   Text("= ; # [ ]"), Text("naïve café"),
      Value{REG_DWORD, "\0\0\0\0"s}, Value{REG_DWORD, "\xff\xff\xff\xff"}, Value{REG_BINARY, ""},
      Value{REG_BINARY, "\0\x80"s}, Value{7, "x\0y"s},
  };
  // clang-format on
  const std::string names[] = {"name",     "",      "@",   "with=equals", " spaced",
                               "[bracket", ";semi", "\"q", "line\nbreak"};
  for (const Value& value : values) {
    for (const std::string& name : names) {
      SettingsFile file = SettingsFile::Parse("");
      file.Set("K", name, value);
      EXPECT_EQ(SettingsFile::Parse(file.Serialise()).Find("K", name), value)
          << "name '" << name << "' in:\n"
          << file.Serialise();
    }
  }
}

// Setting a value replaces its line in place, adds to the end of its section
// or adds a section, ending added lines as the first line ends; every other
// line stays, a stray carriage return and a last line without an end too.
TEST(SettingsFileTest, SettingKeepsEveryOtherLineAsItWas) {
  const std::string original =
      "# by hand\r\n[Settings]\r\napppath = /srv/q   \r\nnot a setting\r\nNetworkable=dword:zz\r\n"
      "odd=line\r\r\n\r\n[Mail]\r\nServer=mail.example";
  SettingsFile file = SettingsFile::Parse(original);
  EXPECT_EQ(file.Serialise(), original);
  EXPECT_EQ(file.Find("Settings", "odd"), Text("line"));
  file.Set("settings", "APPPATH", Text("/opt/q"));
  file.Set("Settings", "DatabaseLocation", Text("/data/property.mdb"));
  file.Set("Mail", "From", Text("office@example.com"));
  file.Set("Configure", "ReportLogo", Text("/srv/logo.bmp"));
  EXPECT_EQ(file.Serialise(),
            "# by hand\r\n[Settings]\r\napppath=/opt/q\r\nnot a setting\r\nNetworkable=dword:zz\r\n"
            "odd=line\r\r\nDatabaseLocation=/data/property.mdb\r\n\r\n[Mail]\r\n"
            "Server=mail.example\r\nFrom=office@example.com\r\n\r\n[Configure]\r\n"
            "ReportLogo=/srv/logo.bmp\r\n");
}

}  // namespace
}  // namespace platform::settings
