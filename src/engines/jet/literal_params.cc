// Literal lifting: a second, small tokenizer over SQLite's dialect that
// follows the clause structure just far enough to know where a literal is
// only a value in a condition, and refuses everything it does not know.
#include "engines/jet/literal_params.h"

#include <cctype>

namespace jet {
namespace {

enum class Kind { kSpace, kWord, kNumber, kText, kName, kSymbol };

struct Token {
  Kind kind;
  std::string_view text;
};

// A literal is lifted only in kCondition; everything else keeps its literals
// as written.
enum class Clause { kNone, kResultColumns, kFrom, kCondition, kOther };

struct Scope {
  Clause clause;
  // Inside a result column, an ORDER BY term or the like: what is written
  // here may name a column or decide its type, at any depth.
  bool frozen;
};

constexpr size_t kMaxDigits = 18;  // always an INTEGER literal in SQLite

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// Index just past the quoted token that opens at `start`, or npos when it is
// not closed. A doubled closing quote stands for itself, except in [names].
size_t ScanQuoted(std::string_view sql, size_t start, char close) {
  for (size_t i = start + 1; i < sql.size(); ++i) {
    if (sql[i] != close) continue;
    if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string_view::npos;
}

// nullopt for parameters, comments, statement separators, NUL bytes and
// unclosed quotes: statements this reader leaves as they are.
std::optional<std::vector<Token>> Tokenize(std::string_view sql) {
  if (sql.find('\0') != std::string_view::npos) return std::nullopt;  // SQLite stops there
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < sql.size()) {
    const auto c = static_cast<unsigned char>(sql[i]);
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    size_t j = i + 1;
    Kind kind = Kind::kSymbol;
    if (std::isspace(c)) {
      while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
      kind = Kind::kSpace;
    } else if (IsWordStart(c)) {
      while (j < sql.size() && IsWordChar(static_cast<unsigned char>(sql[j]))) ++j;
      kind = Kind::kWord;
    } else if (std::isdigit(c) || (c == '.' && std::isdigit(static_cast<unsigned char>(next)))) {
      while (j < sql.size() &&
             (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '.' ||
              ((sql[j] == '+' || sql[j] == '-') && (sql[j - 1] == 'e' || sql[j - 1] == 'E'))))
        ++j;
      kind = Kind::kNumber;
    } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
      j = ScanQuoted(sql, i, c == '[' ? ']' : static_cast<char>(c));
      if (j == std::string_view::npos) return std::nullopt;
      kind = c == '\'' ? Kind::kText : Kind::kName;
    } else if (c == '?' || c == ':' || c == '@' || c == '$' || c == '#' || c == ';' ||
               (c == '-' && next == '-') || (c == '/' && next == '*')) {
      return std::nullopt;
    }
    tokens.push_back({kind, sql.substr(i, j - i)});
    i = j;
  }
  return tokens;
}

bool IsWord(const Token* token, std::string_view word) {
  if (token == nullptr || token->kind != Kind::kWord || token->text.size() != word.size())
    return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(token->text[i])) != word[i]) return false;
  }
  return true;
}

bool IsSymbol(const Token* token, char symbol) {
  return token != nullptr && token->kind == Kind::kSymbol && token->text[0] == symbol;
}

// The clause a keyword opens; nullopt for any other word. `refuse` is set for
// the words of statements this reader does not follow.
std::optional<Clause> ClauseOf(const Token& word, bool& refuse) {
  static constexpr std::string_view kOthers[] = {"group", "order",  "having",
                                                 "limit", "offset", "window"};
  if (IsWord(&word, "select")) return Clause::kResultColumns;
  if (IsWord(&word, "from")) return Clause::kFrom;
  if (IsWord(&word, "where") || IsWord(&word, "on")) return Clause::kCondition;
  for (std::string_view other : kOthers) {
    if (IsWord(&word, other)) return Clause::kOther;
  }
  if (IsWord(&word, "union") || IsWord(&word, "except") || IsWord(&word, "intersect"))
    return Clause::kNone;
  if (IsWord(&word, "values") || IsWord(&word, "with")) refuse = true;
  return std::nullopt;
}

// The value of a literal that may become a parameter where it stands, or
// nullopt to keep it as written.
std::optional<LiteralValue> Liftable(const Token& token, const Token* before, const Token* previous,
                                     const Token* following) {
  // "t".x, x.'t' and 'main'.t name things; so does a text after AS (a type
  // in CAST), COLLATE or IN (a table). x'0A' is a blob.
  if (IsSymbol(previous, '.') || IsSymbol(following, '.')) return std::nullopt;
  LiteralValue value;
  if (token.kind == Kind::kNumber) {
    if (token.text.size() > kMaxDigits ||
        token.text.find_first_not_of("0123456789") != std::string_view::npos)
      return std::nullopt;
    for (char digit : token.text) value.number = value.number * 10 + (digit - '0');
    return value;
  }
  if (token.kind != Kind::kText) return std::nullopt;
  if (before != nullptr && before->kind == Kind::kWord) return std::nullopt;
  if (IsWord(previous, "as") || IsWord(previous, "collate") || IsWord(previous, "in"))
    return std::nullopt;
  value.is_text = true;
  const std::string_view inner = token.text.substr(1, token.text.size() - 2);
  value.text.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    value.text += inner[i];
    if (inner[i] == '\'') ++i;  // the second of a doubled quote
  }
  return value;
}

}  // namespace

std::optional<LiftedStatement> LiftLiterals(std::string_view sql) {
  const std::optional<std::vector<Token>> tokens = Tokenize(sql);
  if (!tokens) return std::nullopt;
  const std::vector<Token>& t = *tokens;
  const auto significant = [&](size_t from) -> const Token* {
    for (size_t k = from; k < t.size(); ++k) {
      if (t[k].kind != Kind::kSpace) return &t[k];
    }
    return nullptr;
  };
  if (!IsWord(significant(0), "select")) return std::nullopt;

  LiftedStatement out;
  out.text.reserve(sql.size() + 16);
  std::vector<Scope> scopes{{Clause::kNone, false}};
  const Token* previous = nullptr;  // the last token that is not a space
  for (size_t k = 0; k < t.size(); ++k) {
    const Token& token = t[k];
    if (token.kind == Kind::kSpace) {
      out.text += token.text;
      continue;
    }
    Scope& scope = scopes.back();
    if (token.kind == Kind::kWord && !IsSymbol(previous, '.')) {
      bool refuse = false;
      if (const auto clause = ClauseOf(token, refuse)) scope.clause = *clause;
      if (refuse) return std::nullopt;
    } else if (IsSymbol(&token, '(')) {
      const bool open = scope.clause == Clause::kCondition || scope.clause == Clause::kFrom;
      scopes.push_back({scope.clause, scope.frozen || !open});
    } else if (IsSymbol(&token, ')')) {
      if (scopes.size() == 1) return std::nullopt;
      scopes.pop_back();
    } else if (scope.clause == Clause::kCondition && !scope.frozen) {
      const Token* before = k > 0 ? &t[k - 1] : nullptr;
      if (auto value = Liftable(token, before, previous, significant(k + 1))) {
        out.values.push_back(std::move(*value));
        out.text += '?';
        out.text += std::to_string(out.values.size());
        if (k + 1 < t.size() && t[k + 1].kind != Kind::kSpace && t[k + 1].kind != Kind::kSymbol)
          out.text += ' ';  // ?1 must not run into what follows
        previous = &token;
        continue;
      }
    }
    out.text += token.text;
    previous = &token;
  }
  if (scopes.size() != 1 || out.values.empty()) return std::nullopt;
  return out;
}

}  // namespace jet
