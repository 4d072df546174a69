// The runtime value: what parameters, recordset fields and the component's
// helpers pass around, with the kinds the host's language knows.
#ifndef DUNMERROW_CORE_VARIANT_H_
#define DUNMERROW_CORE_VARIANT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "core/currency.h"
#include "core/date.h"

namespace core {

// Base of every object a Variant can hold and CreateObject can make.
class Object {
 public:
  virtual ~Object() = default;
};

enum class VarType { kEmpty, kNull, kBoolean, kInteger, kLong, kCurrency, kDouble, kDate, kString, kObject };

struct NullValue {
  bool operator==(const NullValue&) const = default;
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(NullValue) : value_(NullValue{}) {}
  Variant(bool b) : value_(b) {}
  Variant(int16_t i) : value_(i) {}
  Variant(int32_t l) : value_(l) {}
  Variant(Currency c) : value_(c) {}
  Variant(double d) : value_(d) {}
  Variant(Date d) : value_(d) {}
  Variant(std::string s) : value_(std::move(s)) {}
  Variant(const char* s) : value_(std::string(s)) {}
  Variant(std::shared_ptr<Object> o) : value_(std::move(o)) {}

  static Variant Null() { return Variant(NullValue{}); }

  VarType type() const { return static_cast<VarType>(value_.index()); }
  bool IsNull() const { return type() == VarType::kNull; }
  bool IsEmpty() const { return type() == VarType::kEmpty; }
  bool IsNumeric() const;

  // Typed access; only valid for the matching type (asserted).
  bool AsBoolean() const { return std::get<bool>(value_); }
  int16_t AsInteger() const { return std::get<int16_t>(value_); }
  int32_t AsLong() const { return std::get<int32_t>(value_); }
  Currency AsCurrency() const { return std::get<Currency>(value_); }
  double AsDouble() const { return std::get<double>(value_); }
  Date AsDate() const { return std::get<Date>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }
  const std::shared_ptr<Object>& AsObject() const { return std::get<std::shared_ptr<Object>>(value_); }

 private:
  std::variant<std::monostate, NullValue, bool, int16_t, int32_t, Currency, double, Date,
               std::string, std::shared_ptr<Object>>
      value_;
};

}  // namespace core

#endif  // DUNMERROW_CORE_VARIANT_H_
