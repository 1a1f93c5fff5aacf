// Registry files as text, for the tests of the format and of the way back: UTF-16LE bytes from
// text and back, and a whole file from its text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode.h"

namespace testing_text {

inline std::vector<std::uint8_t> Utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// A file's text as UTF-8, after its byte-order mark.
inline std::string Text(const std::vector<std::uint8_t>& bytes) {
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  return platform::Utf8FromUtf16(units);
}

// A file of the given text (UTF-8 here), as the Registry Editor writes one.
inline std::vector<std::uint8_t> RegFile(const std::string& text) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  const std::vector<std::uint8_t> body = Utf16(platform::Utf16FromUtf8(text));
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

}  // namespace testing_text
