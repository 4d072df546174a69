// Variant queries.
#include "core/variant.h"

namespace core {

bool Variant::IsNumeric() const {
  switch (type()) {
    case VarType::kBoolean:
    case VarType::kInteger:
    case VarType::kLong:
    case VarType::kCurrency:
    case VarType::kDouble:
      return true;
    default:
      return false;
  }
}

}  // namespace core
