// Decoding by the rules of RFC 3629, so that nothing malformed passes into a log or a file.
#include "platform/unicode.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point of the well-formed sequence at text[at], and its length; length 0 when none
// starts there.
char32_t Decode(std::string_view text, std::size_t at, std::size_t* length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  *length = 0;
  if (lead < 0x80) {
    *length = 1;
    return lead;
  }
  std::size_t size = 0;
  char32_t point = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2, point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3, point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4, point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return kReplacement;
  }
  if (at + size > text.size()) return kReplacement;
  for (std::size_t i = 1; i < size; ++i) {
    const unsigned char next = byte(at + i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return kReplacement;
    point = (point << 6) | (next & 0x3F);
  }
  *length = size;
  return point;
}

void AppendUtf8(std::string& out, char32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

}  // namespace

bool IsUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 0;
    Decode(text, at, &length);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 0;
    const char32_t point = Decode(text, at, &length);
    at += length == 0 ? 1 : length;
    if (point >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(point);
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char16_t unit = text[at];
    char32_t point = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
        text[at + 1] <= 0xDFFF) {
      point = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[++at]) - 0xDC00);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      point = kReplacement;
    }
    AppendUtf8(out, point);
  }
  return out;
}

}  // namespace platform
