// The program's UTF-8 and UTF-16 rules, held directly: every log line, registry file and
// system path passes through them.
#include <gtest/gtest.h>

#include <string>

#include "app/run_log.h"
#include "platform/unicode.h"

using namespace std::literals;

TEST(Unicode, WellFormedUtf8IsToldFromEverythingElse) {
  struct Case {
    const char* what;
    std::string bytes;
    bool wellFormed;
  };
  const Case cases[] = {
      {"ASCII", "plain", true},
      {"a non-ASCII last character", "Jos\xC3\xA9", true},
      {"three bytes", "\xE2\x82\xAC", true},
      {"four bytes, the last code point", "\xF4\x8F\xBF\xBF", true},
      {"the smallest of each length", "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", true},
      {"nothing", "", true},
      {"a two-byte sequence cut short", "Jos\xC3", false},
      {"a four-byte sequence cut short", "\xF0\x9F\x98", false},
      {"a lone continuation byte", "\x80", false},
      {"overlong two bytes", "\xC0\xAF", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"overlong four bytes", "\xF0\x80\x80\xAF", false},
      {"an encoded high surrogate", "\xED\xA0\x80", false},
      {"an encoded low surrogate", "\xED\xBF\xBF", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"a lead byte that never starts a sequence", "\xF5\x80\x80\x80", false},
      {"a continuation byte out of range", "\xE2\x28\xA1", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsUtf8(c.bytes), c.wellFormed) << c.what;
    if (c.wellFormed) {
      EXPECT_EQ(platform::Utf8FromUtf16(platform::Utf16FromUtf8(c.bytes)), c.bytes) << c.what;
    } else {
      EXPECT_NE(platform::Utf16FromUtf8(c.bytes).find(u'\uFFFD'), std::u16string::npos)
          << c.what << ": what is not UTF-8 becomes the replacement character";
    }
  }
}

TEST(Unicode, Utf16ConvertsWithSurrogatePairsAndReplacesLoneOnes) {
  EXPECT_EQ(platform::Utf16FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(platform::Utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(platform::Utf8FromUtf16(u"\u0141\u00f3d\u017a"),
            "\xC5\x81\xC3\xB3"
            "d\xC5\xBA");
  const char16_t loneLow[] = {u'a', 0xDC00, u'b', 0};
  const char16_t loneHigh[] = {u'a', 0xD800, 0};
  const char16_t swapped[] = {0xDC00, 0xD800, 0};
  EXPECT_EQ(platform::Utf8FromUtf16(loneLow),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(platform::Utf8FromUtf16(loneHigh), "a\xEF\xBF\xBD");
  EXPECT_EQ(platform::Utf8FromUtf16(swapped), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// The log keeps well-formed text as it is, up to its last character, and escapes each byte of
// anything else, so that every line is valid UTF-8 JSON.
TEST(Unicode, TheLogKeepsWellFormedTextAndEscapesTheRest) {
  struct Case {
    std::string text;
    std::string json;
  };
  const Case cases[] = {
      {"Jos\xC3\xA9", "\"Jos\xC3\xA9\""},
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
      {"Jos\xC3", "\"Jos\\u00c3\""},
      {"\xC0\xAF", "\"\\u00c0\\u00af\""},
      {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},
      {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},
  };
  for (const Case& c : cases) {
    const std::string line = app::Record("", "e").Text("t", c.text).Line();
    EXPECT_EQ(line, R"({"time":"","event":"e","t":)" + c.json + "}\r\n") << c.json;
  }
}
