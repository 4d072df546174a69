// Fuzz target: the host dialect translator either translates a statement or
// raises its syntax error, and never crashes or hangs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/com_error.h"
#include "engines/jet/sql_translator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  try {
    (void)jet::TranslateSql(sql);
  } catch (const core::ComError& error) {
    if (error.number() != jet::kErrSyntax) __builtin_trap();
  }
  return 0;
}
