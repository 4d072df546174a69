// Turns the literals of a translated statement into numbered parameters, so
// that statements differing only in their literals share one prepared
// statement.
#ifndef DUNMERROW_ENGINES_JET_LITERAL_PARAMS_H_
#define DUNMERROW_ENGINES_JET_LITERAL_PARAMS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// One lifted literal: a text (its quotes removed, doubled ones undone) or a
// whole number.
struct LiteralValue {
  bool is_text = false;
  std::string text;
  int64_t number = 0;
};

// A statement with its literals replaced by ?1, ?2, ...; values[i] is what
// ?(i+1) stands for.
struct LiftedStatement {
  std::string text;
  std::vector<LiteralValue> values;
};

// The parameterised form of `sql`, which must be SQLite's dialect (the output
// of TranslateSql). Only literals whose replacement by a bound value cannot
// change the statement's result columns, their names and types, the rows, or
// an error message are lifted: texts and whole numbers of at most 18 digits
// in the conditions of WHERE and ON, never in a result column list, ORDER BY,
// GROUP BY, HAVING or LIMIT, nor where SQLite reads a text as a name (after
// AS, COLLATE, IN or beside a '.'). nullopt when nothing is lifted: no such
// literal, a statement that is not a plain SELECT (WITH, VALUES), or one that
// holds parameters, comments or anything this reader does not know.
std::optional<LiftedStatement> LiftLiterals(std::string_view sql);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_LITERAL_PARAMS_H_
