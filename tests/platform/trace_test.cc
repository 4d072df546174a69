// JSON quoting of trace texts: plain runs, escapes, and bytes that are not UTF-8.
#include "platform/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace platform {
namespace {

TEST(JsonQuote, EscapesWhatJsonNeedsAndMendsBrokenUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "\"\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\path", "\"C:\\\\path\""},
      {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
      {std::string("x\x01y\x1f", 4), "\"x\\u0001y\\u001f\""},
      {"caf\xC3\xA9 \xE2\x82\xAC", "\"caf\xC3\xA9 \xE2\x82\xAC\""},
      {"bad \xC3 end", "\"bad \xEF\xBF\xBD end\""},
      {"\xFF\xFE", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"\x7F", "\"\x7F\""},
  };
  for (const auto& [text, quoted] : cases) EXPECT_EQ(JsonQuote(text), quoted) << text;
}

}  // namespace
}  // namespace platform
