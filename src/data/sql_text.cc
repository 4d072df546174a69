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
// reach the database unchanged. Every query passes here, so literals are
// skipped whole and the text is copied only when a word is replaced.
void ReplaceBooleanWords(std::string& sql) {
  std::string out;
  size_t copied = 0;  // sql[copied, i) is still to go to `out`
  bool replaced = false;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '[') {
      const size_t close = sql.find(c == '[' ? ']' : c, i + 1);
      if (close == std::string::npos) break;  // an open literal runs to the end
      i = close;
      continue;
    }
    if ((c != 't' && c != 'f') || (i > 0 && IsWordChar(sql[i - 1]))) continue;
    const char* word = c == 't' ? "true" : "false";
    const size_t length = c == 't' ? 4 : 5;
    if (sql.compare(i, length, word) != 0) continue;
    if (i + length < sql.size() && IsWordChar(sql[i + length])) continue;
    out.append(sql, copied, i - copied);
    out += c == 't' ? "-1" : "0";
    i += length - 1;
    copied = i + 1;
    replaced = true;
  }
  if (!replaced) return;
  out.append(sql, copied, std::string::npos);
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
