// Text between the program's UTF-8 and the UTF-16 of the system's wide-character calls, by the
// program's own well-tested conversion (platform/unicode.h).
#pragma once

#include <string>
#include <string_view>

#include "platform/unicode.h"

namespace platform::win32 {

// wchar_t is a UTF-16 unit on Windows, so the conversion is the portable one, unit for unit.
inline std::wstring Wide(std::string_view utf8) {
  const std::u16string units = Utf16FromUtf8(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string Utf8(std::wstring_view wide) {
  return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

}  // namespace platform::win32
