// Fuzz target: the SQL text rewriting of the data layer on any text, and the
// quoting of codes, which must always give one closed literal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/general.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string sql = text;
  const std::string fixed = General::FixSQL(sql);
  if (fixed != sql) __builtin_trap();  // the caller's text takes the result

  // A quoted code is one literal: an even count of apostrophes, opening and
  // closing the text.
  std::string quoted = General::SQLText(text);
  if (quoted.size() < 2 || quoted.front() != '\'' || quoted.back() != '\'') __builtin_trap();
  size_t apostrophes = 0;
  for (char c : quoted) apostrophes += c == '\'' ? 1 : 0;
  if (apostrophes % 2 != 0) __builtin_trap();
  return 0;
}
