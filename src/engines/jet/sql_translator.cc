// The dialect translator: a tokenizer that copies quoted literals untouched
// and rewrites the few constructs of the host's dialect that SQLite reads
// differently or not at all.
#include "engines/jet/sql_translator.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "core/com_error.h"
#include "core/date.h"

namespace jet {
namespace {

enum class Kind { kSpace, kWord, kNumber, kText, kQuotedText, kName, kDate, kSymbol };

struct Token {
  Kind kind;
  std::string_view text;  // as written, delimiters included
  size_t position;        // 0-based offset in the statement
};

[[noreturn]] void Fail(const std::string& sql, size_t position, const std::string& what) {
  throw core::ComError(
      kErrSyntax, what + " at position " + std::to_string(position + 1) + " in \"" + sql + "\"",
      kJetSource);
}

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// Index just past a literal that starts at `start` with `open` and ends with
// `close`; a doubled closing character inside stands for itself.
size_t ScanDelimited(const std::string& sql, size_t start, char close, bool doubled_escapes,
                     const char* what) {
  size_t i = start + 1;
  while (i < sql.size()) {
    if (sql[i] == close) {
      if (doubled_escapes && i + 1 < sql.size() && sql[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  Fail(sql, start, std::string("Unterminated ") + what);
}

std::vector<Token> Tokenize(const std::string& sql) {
  std::vector<Token> tokens;
  size_t i = 0;
  const auto add = [&](Kind kind, size_t end) {
    tokens.push_back({kind, std::string_view(sql).substr(i, end - i), i});
    i = end;
  };
  while (i < sql.size()) {
    const auto c = static_cast<unsigned char>(sql[i]);
    size_t j = i + 1;
    if (std::isspace(c)) {
      while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
      add(Kind::kSpace, j);
    } else if (IsWordStart(c)) {
      while (j < sql.size() && IsWordChar(static_cast<unsigned char>(sql[j]))) ++j;
      add(Kind::kWord, j);
    } else if (std::isdigit(c) || (c == '.' && j < sql.size() && std::isdigit(sql[j]))) {
      while (j < sql.size() &&
             (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '.' ||
              ((sql[j] == '+' || sql[j] == '-') && (sql[j - 1] == 'e' || sql[j - 1] == 'E'))))
        ++j;
      add(Kind::kNumber, j);
    } else if (c == '\'') {
      add(Kind::kText, ScanDelimited(sql, i, '\'', true, "text literal"));
    } else if (c == '"') {
      add(Kind::kQuotedText, ScanDelimited(sql, i, '"', true, "text literal"));
    } else if (c == '[') {
      add(Kind::kName, ScanDelimited(sql, i, ']', false, "bracketed name"));
    } else if (c == '`') {
      add(Kind::kName, ScanDelimited(sql, i, '`', false, "quoted name"));
    } else if (c == '#') {
      add(Kind::kDate, ScanDelimited(sql, i, '#', false, "date literal"));
    } else {
      static constexpr std::string_view kPairs[] = {"<>", "<=", ">=", "!=", "==", "||"};
      for (std::string_view pair : kPairs) {
        if (sql.compare(i, 2, pair) == 0) j = i + 2;
      }
      add(Kind::kSymbol, j);
    }
  }
  return tokens;
}

// Reads an unsigned number of at most `max_digits` digits at `pos`.
std::optional<int> ReadNumber(std::string_view s, size_t& pos, size_t max_digits) {
  const size_t start = pos;
  int value = 0;
  while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) &&
         pos - start < max_digits) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
  }
  if (pos == start) return std::nullopt;
  return value;
}

void SkipSpaces(std::string_view s, size_t& pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
}

// The stored form of the date inside a #...# literal, or nullopt when it is
// not a date the host's engine would read.
std::optional<std::string> ParseDateLiteral(std::string_view body) {
  size_t pos = 0;
  SkipSpaces(body, pos);
  core::CivilTime t;
  bool has_date = false;
  const size_t date_start = pos;
  if (auto first = ReadNumber(body, pos, 4);
      first && pos < body.size() && (body[pos] == '/' || body[pos] == '-')) {
    const char sep = body[pos++];
    auto second = ReadNumber(body, pos, 2);
    if (!second || pos >= body.size() || body[pos] != sep) return std::nullopt;
    ++pos;
    const size_t year_start = pos;
    auto third = ReadNumber(body, pos, 4);
    if (!third) return std::nullopt;
    if (pos - date_start > 4 && body[date_start + 4] == sep && sep == '-') {
      t.year = *first;  // yyyy-mm-dd
      t.month = *second;
      t.day = *third;
    } else {
      t.month = *first;
      t.day = *second;
      t.year = *third;
      if (pos - year_start <= 2) t.year += t.year < 30 ? 2000 : 1900;
    }
    has_date = true;
  } else {
    pos = date_start;
  }
  SkipSpaces(body, pos);
  if (pos < body.size()) {
    auto hour = ReadNumber(body, pos, 2);
    if (!hour || pos >= body.size() || body[pos] != ':') return std::nullopt;
    ++pos;
    auto minute = ReadNumber(body, pos, 2);
    if (!minute) return std::nullopt;
    int second = 0;
    if (pos < body.size() && body[pos] == ':') {
      ++pos;
      auto s = ReadNumber(body, pos, 2);
      if (!s) return std::nullopt;
      second = *s;
    }
    SkipSpaces(body, pos);
    if (pos + 2 <= body.size()) {
      const std::string_view meridian = body.substr(pos, 2);
      const bool pm = EqualsNoCase(meridian, "PM");
      if (pm || EqualsNoCase(meridian, "AM")) {
        if (*hour < 1 || *hour > 12) return std::nullopt;
        *hour = *hour % 12 + (pm ? 12 : 0);
        pos += 2;
      }
    }
    SkipSpaces(body, pos);
    if (pos != body.size()) return std::nullopt;
    t.hour = *hour;
    t.minute = *minute;
    t.second = second;
  } else if (!has_date) {
    return std::nullopt;
  }
  if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  try {
    return core::Date::FromCivil(t).ToIso();
  } catch (const core::ComError&) {
    return std::nullopt;  // a day that does not exist, or a year out of range
  }
}

// Per parenthesis depth: the LIMIT owed by a SELECT TOP and whether the
// select is compound.
struct SelectScope {
  std::string limit;
  bool compound = false;
  bool after_select = false;  // the next words may be DISTINCT/ALL, then TOP
};

class Writer {
 public:
  void Append(std::string_view text, bool word_like) {
    // Tokens the host's engine reads apart even when written together, as in
    // #04/18/2009#UNION, must stay apart for SQLite.
    if (word_like && last_word_like_) out_ += ' ';
    // "- -" and "/ *" must not become comment openers.
    if (!out_.empty() && ((out_.back() == '-' && text.front() == '-') ||
                          (out_.back() == '/' && text.front() == '*')))
      out_ += ' ';
    out_ += text;
    last_word_like_ = word_like;
  }
  void AppendSpace(std::string_view text) {
    out_ += text;
    last_word_like_ = false;
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  bool last_word_like_ = false;
};

std::string QuotedTextToLiteral(std::string_view token) {
  std::string out = "'";
  const std::string_view inner = token.substr(1, token.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
    out += inner[i];
    if (inner[i] == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string QuoteName(std::string_view inner) {
  std::string out = "\"";
  for (char c : inner) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string TranslateSql(const std::string& sql) {
  const std::vector<Token> tokens = Tokenize(sql);
  Writer out;
  std::vector<SelectScope> scopes(1);
  size_t last_significant = tokens.size();  // index of the last non-space token
  for (size_t k = tokens.size(); k-- > 0;) {
    if (tokens[k].kind != Kind::kSpace &&
        !(tokens[k].kind == Kind::kSymbol && tokens[k].text == ";")) {
      last_significant = k;
      break;
    }
  }
  for (size_t k = 0; k < tokens.size(); ++k) {
    const Token& tok = tokens[k];
    SelectScope& scope = scopes.back();
    switch (tok.kind) {
      case Kind::kSpace:
        out.AppendSpace(tok.text);
        continue;
      case Kind::kText:
      case Kind::kNumber:
        out.Append(tok.text, true);
        break;
      case Kind::kQuotedText:
        out.Append(QuotedTextToLiteral(tok.text), true);
        break;
      case Kind::kName:
        out.Append(QuoteName(tok.text.substr(1, tok.text.size() - 2)), true);
        break;
      case Kind::kDate: {
        const auto iso = ParseDateLiteral(tok.text.substr(1, tok.text.size() - 2));
        if (!iso) Fail(sql, tok.position, "Invalid date literal " + std::string(tok.text));
        out.Append("'" + *iso + "'", true);
        break;
      }
      case Kind::kWord: {
        const bool after_dot = k > 0 && tokens[k - 1].text == ".";
        if (EqualsNoCase(tok.text, "select")) {
          scope.after_select = true;
          out.Append(tok.text, true);
          continue;
        }
        if (scope.after_select &&
            (EqualsNoCase(tok.text, "distinct") || EqualsNoCase(tok.text, "all"))) {
          out.Append(tok.text, true);
          continue;
        }
        if (scope.after_select && EqualsNoCase(tok.text, "top")) {
          size_t n = k + 1;
          while (n < tokens.size() && tokens[n].kind == Kind::kSpace) ++n;
          if (n >= tokens.size() || tokens[n].kind != Kind::kNumber ||
              tokens[n].text.find_first_not_of("0123456789") != std::string_view::npos)
            Fail(sql, tok.position, "TOP without a whole number of rows");
          if (scope.compound) Fail(sql, tok.position, "TOP in a compound select");
          size_t after = n + 1;
          while (after < tokens.size() && tokens[after].kind == Kind::kSpace) ++after;
          if (after < tokens.size() && EqualsNoCase(tokens[after].text, "percent"))
            Fail(sql, tokens[after].position, "TOP ... PERCENT is not supported");
          scope.limit = std::string(tokens[n].text);
          scope.after_select = false;
          k = n;  // the count is consumed; the space after it stays
          continue;
        }
        if (EqualsNoCase(tok.text, "union") || EqualsNoCase(tok.text, "except") ||
            EqualsNoCase(tok.text, "intersect")) {
          if (!scope.limit.empty()) Fail(sql, tok.position, "TOP in a compound select");
          scope.compound = true;
        }
        if (!after_dot && EqualsNoCase(tok.text, "true")) {
          out.Append("-1", true);
        } else if (!after_dot && EqualsNoCase(tok.text, "false")) {
          out.Append("0", true);
        } else {
          out.Append(tok.text, true);
        }
        break;
      }
      case Kind::kSymbol:
        if (tok.text == ";") {
          if (last_significant != tokens.size() && k < last_significant)
            Fail(sql, tok.position, "Characters found after the end of the statement");
          continue;  // a trailing ';' is dropped
        }
        if (tok.text == "(") {
          scopes.emplace_back();
          out.Append(tok.text, false);
          continue;
        }
        if (tok.text == ")") {
          if (scopes.size() == 1) Fail(sql, tok.position, "Unbalanced ')'");
          if (!scope.limit.empty()) out.Append(" LIMIT " + scope.limit, false);
          scopes.pop_back();
          out.Append(tok.text, false);
          break;
        }
        out.Append(tok.text == "&" ? std::string_view("||") : tok.text, false);
        break;
    }
    scopes.back().after_select = false;
  }
  if (scopes.size() > 1) Fail(sql, sql.size(), "Missing ')'");
  std::string result = out.Take();
  if (!scopes.front().limit.empty()) {
    while (!result.empty() && std::isspace(static_cast<unsigned char>(result.back())))
      result.pop_back();
    result += " LIMIT " + scopes.front().limit;
  }
  return result;
}

}  // namespace jet
