// Fuzz target: the runtime conversions of text to date, number, currency and
// boolean, and the regional date reader. Each gives a value or its error;
// a date read from text turns into text and back into the same date.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/com_error.h"
#include "core/convert.h"
#include "platform/regional.h"

namespace {

template <typename Convert>
void Try(Convert convert) {
  try {
    convert();
  } catch (const core::ComError& error) {
    // Type mismatch, overflow or invalid use of Null: nothing else.
    if (error.number() != 13 && error.number() != 6 && error.number() != 94) __builtin_trap();
  }
}

void CheckRoundTrip(const std::optional<core::Date>& date) {
  if (!date) return;
  const std::optional<core::Date> again = platform::ParseDateTime(platform::FormatDateTime(*date));
  if (!again || again->serial() != date->serial()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool locale_set = [] {
    platform::SetLocale("en_AU");
    return true;
  }();
  (void)locale_set;
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const core::Variant text(raw);
  Try([&] { (void)core::ToDouble(text); });
  Try([&] { (void)core::ToCurrency(text); });
  Try([&] { (void)core::ToBoolean(text); });
  Try([&] { (void)core::ToInteger(text); });
  Try([&] { (void)core::ToLong(text); });
  Try([&] { CheckRoundTrip(core::ToDate(text)); });
  CheckRoundTrip(platform::ParseDateTime(raw));
  return 0;
}
