// The number rules of the monitor panel: grouped whole numbers, their read-back, the
// shortest decimal form, rounding to integers, and checked floating-point steps.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace monitor {

// Currency amount: a signed 64-bit integer holding the amount times 10000.
using Currency = std::int64_t;
inline constexpr std::int64_t kCurrencyScale = 10000;

// Pattern "###,###,###,###": rounded half away from zero, grouped by threes, no leading
// zeros; a value that comes to 0 gives no digits at all.
std::string FormatGrouped(double value, const platform::LocaleSeparators& locale);
// Reads grouped text back as a signed 32-bit integer; empty text or overflow fails.
std::int32_t ReadBackInt32(const std::string& text, const platform::LocaleSeparators& locale);
// At most 15 significant digits, the locale's decimal separator, no trailing zeros.
std::string ShortestDecimal(double value, const platform::LocaleSeparators& locale);
// Nearest integer, halves to even; NaN, infinity or a result out of range fails.
std::int32_t ToInt32(double value);
std::int64_t ToInt64(double value);
// a / b, failing on division by zero and on an invalid or infinite result.
double Divide(double a, double b);
// Fails unless value is a finite number.
double Checked(double value);
// A byte count as a currency amount; fails when count x 10000 overflows.
Currency CurrencyFromBytes(std::uint64_t bytes);
inline double AmountOf(Currency amount) {
  return static_cast<double>(amount) / static_cast<double>(kCurrencyScale);
}

}  // namespace monitor
