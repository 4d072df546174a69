// Query text helpers of the General module: date and code literals, and the
// rewriting every query text gets before it runs.
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

#include "data/general.h"

namespace General {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ContainsAny(const std::string& text, std::initializer_list<const char*> needles) {
  for (const char* needle : needles) {
    if (text.find(needle) != std::string::npos) return true;
  }
  return false;
}

// With an odd number of apostrophes, one is stray (a code like O'Brien
// joined in unescaped). Apostrophes that look like they open or close a
// literal stay; the others are doubled.
void DoubleStrayApostrophes(std::string& sql) {
  size_t count = 0;
  for (const char c : sql) count += c == '\'';
  if (count % 2 == 0) return;
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] != '\'') continue;
    if (i > 0) {
      const size_t from = i >= 3 ? i - 3 : 0;
      if (ContainsAny(LowerCase(sql.substr(from, i - from)), {"=", "<", ">", "ke"})) continue;
    }
    // 1-based position i + 1 less than the length minus 4.
    if (i + 1 + 4 < sql.size()) {
      if (ContainsAny(LowerCase(sql.substr(i + 1, 4)), {" and", "  an", " or ", " ord"})) continue;
    }
    if (i + 1 == sql.size()) continue;
    sql.insert(i + 1, 1, '\'');
    ++i;
  }
}

// The words true and false become -1 and 0, but only as whole words outside
// quoted literals and bracketed names, so codes and values holding them
// reach the database unchanged.
void ReplaceBooleanWords(std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  char quote = 0;  // the character that closes the literal or name we are in
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote) {
      out += c;
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '[') {
      quote = ']';
    } else if ((c == 't' || c == 'f') && (i == 0 || !IsWordChar(sql[i - 1]))) {
      const char* word = c == 't' ? "true" : "false";
      const size_t length = c == 't' ? 4 : 5;
      if (sql.compare(i, length, word) == 0 &&
          (i + length == sql.size() || !IsWordChar(sql[i + length]))) {
        out += c == 't' ? "-1" : "0";
        i += length - 1;
        continue;
      }
    }
    out += c;
  }
  sql = std::move(out);
}

}  // namespace

std::string SQLDate(const core::Date& d) {
  const core::CivilTime t = d.ToCivil();
  char buf[32];
  std::snprintf(buf, sizeof buf, "#%02d/%02d/%04d#", t.month, t.day, t.year);
  return buf;
}

std::string SQLText(const std::string& code) {
  std::string out = "'";
  for (const char c : code) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string FixSQL(std::string& sql) {
  // Stray apostrophes are mended first, so the literals are known when the
  // boolean words are replaced.
  DoubleStrayApostrophes(sql);
  ReplaceBooleanWords(sql);
  return sql;
}

}  // namespace General
