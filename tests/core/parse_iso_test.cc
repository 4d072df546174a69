// Reading ISO date texts: the stored forms read directly and the general
// reading of odd forms give the same dates as before.
#include <gtest/gtest.h>

#include "core/date.h"

namespace core {
namespace {

TEST(ParseIso, StoredFormsAndOddFormsReadAsTheyAlwaysHave) {
  const struct {
    const char* text;
    const char* iso;  // nullptr: not a date
  } cases[] = {
      {"2026-01-31 00:00:00", "2026-01-31 00:00:00"},
      {"2026-01-31T23:59:58", "2026-01-31 23:59:58"},
      {"2026-01-31", "2026-01-31 00:00:00"},
      {"1899-12-30 12:00:00", "1899-12-30 12:00:00"},
      {"9999-12-31 23:59:59", "9999-12-31 23:59:59"},
      // What the general reading has always taken: blanks and signs in a place.
      {"2009- 4-18", "2009-04-18 00:00:00"},
      {"2009-04-+8", "2009-04-08 00:00:00"},
      {"2009-04-18 +1:02:03", "2009-04-18 01:02:03"},
      // Not dates.
      {"2009-04-18x00:00:00", nullptr},
      {"2009-13-01", nullptr},
      {"2009-02-30", nullptr},
      {"2009-04-18 24:00:00", nullptr},
      {"2009/04/18", nullptr},
      {"2009-4-18", nullptr},
      {"2009-04-18 25:00:00", nullptr},
      {"20090418", nullptr},
      {"2009-04-1a", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    const std::optional<Date> date = Date::ParseIso(c.text);
    if (c.iso == nullptr) {
      EXPECT_FALSE(date) << c.text;
    } else {
      ASSERT_TRUE(date) << c.text;
      EXPECT_EQ(date->ToIso(), c.iso) << c.text;
    }
  }
}

}  // namespace
}  // namespace core
