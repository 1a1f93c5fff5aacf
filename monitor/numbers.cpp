// Number rules of the monitor panel; every failure here is a platform::Failure so that the
// monitor's tick trap ends the tick on it.
#include "monitor/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/failure.h"

namespace monitor {
namespace {

std::string Group(std::uint64_t magnitude, const std::string& separator) {
  std::string digits = magnitude == 0 ? std::string() : std::to_string(magnitude);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

double HalfEven(double value) {
  if (!std::isfinite(value)) throw platform::Failure("invalid number");
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

}  // namespace

std::string FormatGrouped(double value, const platform::LocaleSeparators& locale) {
  const double rounded = std::round(Checked(value));  // halves away from zero
  if (std::fabs(rounded) >= 9.2e18) throw platform::Failure("overflow");
  const auto whole = static_cast<std::int64_t>(rounded);
  const std::uint64_t magnitude =
      whole < 0 ? 0 - static_cast<std::uint64_t>(whole) : static_cast<std::uint64_t>(whole);
  std::string text = Group(magnitude, locale.thousands);
  if (whole < 0) text.insert(text.begin(), '-');
  return text;
}

std::int32_t ReadBackInt32(const std::string& text, const platform::LocaleSeparators& locale) {
  std::string digits;
  bool negative = false;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 0 && text[i] == '-') {
      negative = true;
      ++i;
    } else if (!locale.thousands.empty() &&
               text.compare(i, locale.thousands.size(), locale.thousands) == 0) {
      i += locale.thousands.size();
    } else if (text[i] >= '0' && text[i] <= '9') {
      digits += text[i++];
    } else {
      throw platform::Failure("type mismatch");
    }
  }
  if (digits.empty()) throw platform::Failure("type mismatch");
  std::int64_t magnitude = 0;
  for (char digit : digits) {
    magnitude = magnitude * 10 + (digit - '0');
    if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
      throw platform::Failure("overflow");
    }
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) throw platform::Failure("overflow");
  return static_cast<std::int32_t>(value);
}

std::string ShortestDecimal(double value, const platform::LocaleSeparators& locale) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, Checked(value), std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  std::string localised;
  for (char c : text) {
    if (c == '.') {
      localised += locale.decimal;
    } else {
      localised += c;
    }
  }
  return localised;
}

std::int32_t ToInt32(double value) {
  const double rounded = HalfEven(value);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    throw platform::Failure("overflow");
  }
  return static_cast<std::int32_t>(rounded);
}

std::int64_t ToInt64(double value) {
  const double rounded = HalfEven(value);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) {
    throw platform::Failure("overflow");
  }
  return static_cast<std::int64_t>(rounded);
}

double Divide(double a, double b) {
  if (b == 0) throw platform::Failure("division by zero");
  return Checked(a / b);
}

double Checked(double value) {
  if (!std::isfinite(value)) throw platform::Failure("invalid floating-point result");
  return value;
}

Currency CurrencyFromBytes(std::uint64_t bytes) {
  if (bytes >
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() / kCurrencyScale)) {
    throw platform::Failure("overflow");
  }
  return static_cast<Currency>(bytes) * kCurrencyScale;
}

}  // namespace monitor
