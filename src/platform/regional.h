// Regional formats through ICU: the user's short date (always with a
// four-digit year), currency, month names and fixed-decimal numbers. The
// locale comes from SetLocale, else LC_ALL, LC_MESSAGES or LANG; C and POSIX
// mean en_US. Settings are process-wide; set the locale before a run.
#ifndef DUNMERROW_PLATFORM_REGIONAL_H_
#define DUNMERROW_PLATFORM_REGIONAL_H_

#include <optional>
#include <string>

#include "core/currency.h"
#include "core/date.h"
#include "core/variant.h"

namespace platform {

// Chooses the locale ("" = from the environment) and installs the date text
// hooks of core so that dates turn into text in this locale and back.
void SetLocale(const std::string& name);
std::string LocaleName();

// en_AU and en_GB "dd/MM/yyyy", en_US "M/d/yyyy", others the locale's short
// pattern with a four-digit year.
std::string ShortDatePattern();
std::string FormatShortDate(const core::Date& d);
// Short date, then " HH:mm:ss" when the date has a time of day.
std::string FormatDateTime(const core::Date& d);
// Reads what FormatDateTime writes (and the short date alone); nullopt otherwise.
std::optional<core::Date> ParseDateTime(const std::string& text);

// The locale's currency form: en_AU "$1,234.56" and "-$1,234.56".
std::string FormatCurrency(core::Currency amount);

// The abbreviated month name, 1..12 ("Dec" in English).
std::string MonthAbbreviation(int month);

// A value with `places` decimals, halves away from zero, no grouping: the
// number format "0.00" for places 2. Currency is rounded exactly; doubles at
// their 15 significant digits.
std::string FormatFixed(const core::Variant& value, int places);

// The host's Format with the named formats the component uses: "currency",
// "short date", or a pattern of zeros with an optional decimal part ("0.00").
std::string Format(const core::Variant& value, const std::string& format);

// The offset of the first byte of `text` that does not belong to a
// well-formed UTF-8 sequence (overlong forms and surrogates included);
// nullopt when the whole text is UTF-8.
std::optional<size_t> FirstInvalidUtf8(const std::string& text);

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_REGIONAL_H_
