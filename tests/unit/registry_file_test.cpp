// The Registry Editor's file format: each kind of value written as the editor writes it and read
// back byte for byte, and what the reader refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"
#include "tests/unit/registry_file_text.h"

using namespace std::literals;

namespace {

using testing_text::RegFile;
using testing_text::Text;
using testing_text::Utf16;

using platform::RegistryFileLine;
using platform::RegistryFileValue;

const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kKey = "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n";

}  // namespace

TEST(RegistryFile, EveryKindOfValueComesBackByteForByteInTheEditorsForm) {
  struct Case {
    const char* what;
    RegistryFileValue value;
    std::string form;  // how its line begins in the file
  };
  const std::vector<std::uint8_t> large(300 * 1024, 0x5A);
  const Case cases[] = {
      {"absent", {"Gone", false}, "\"Gone\"=-\r\n"},
      {"dword",
       {"Number", true, platform::kRegDword, {0x78, 0x56, 0x34, 0x12}},
       "\"Number\"=dword:12345678\r\n"},
      {"text with quotes, backslashes and beyond ASCII",
       {"Text", true, platform::kRegSz, Utf16(u"a \"q\" C:\\p \u0141\u00f3d\u017a\0"s)},
       "\"Text\"=\"a \\\"q\\\" C:\\\\p \xC5\x81\xC3\xB3"
       "d\xC5\xBA\"\r\n"},
      {"empty text", {"Empty", true, platform::kRegSz, Utf16(u"\0"s)}, "\"Empty\"=\"\"\r\n"},
      // Text that quotes would not give back as it is goes out in hex.
      {"text without its terminator",
       {"Open", true, platform::kRegSz, Utf16(u"no end")},
       "\"Open\"=hex(1):6e,00,6f,00,"},
      {"text with a NUL inside",
       {"Nul", true, platform::kRegSz, Utf16(u"a\0b\0"s)},
       "\"Nul\"=hex(1):61,00,00,00,62,00,00,00\r\n"},
      {"text with a line break",
       {"Break", true, platform::kRegSz, Utf16(u"a\r\nb\0"s)},
       "\"Break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"},
      {"text with NULs after its end",
       {"Tail", true, platform::kRegSz, Utf16(u"a\0\0"s)},
       "\"Tail\"=hex(1):61,00,00,00,00,00\r\n"},
      {"text of an odd length",
       {"Odd", true, platform::kRegSz, {0x61, 0x00, 0x00}},
       "\"Odd\"=hex(1):61,00,00\r\n"},
      {"expandable text",
       {"Expand", true, platform::kRegExpandSz, Utf16(u"%Root%\0"s)},
       "\"Expand\"=hex(2):25,00,52,00,"},
      {"a list of texts",
       {"List", true, platform::kRegMultiSz, Utf16(u"one\0two\0\0"s)},
       "\"List\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,"},
      {"bytes", {"Bytes", true, platform::kRegBinary, {0xAB, 0x01}}, "\"Bytes\"=hex:ab,01\r\n"},
      {"no bytes", {"None", true, platform::kRegBinary, {}}, "\"None\"=hex:\r\n"},
      {"a three-byte dword",
       {"Short", true, platform::kRegDword, {1, 2, 3}},
       "\"Short\"=hex(4):01,02,03\r\n"},
      {"a type of no name", {"Zero", true, 0, {9}}, "\"Zero\"=hex(0):09\r\n"},
      {"a large value, broken where the editor breaks it",
       {"Large", true, platform::kRegBinary, large},
       "\"Large\"=hex:5a,5a,"},
      {"a name with quotes and backslashes",
       {"a\"b\\c", true, platform::kRegDword, {1, 0, 0, 0}},
       "\"a\\\"b\\\\c\"=dword:00000001\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::RegistryFileWriter writer;
    writer.Comment("a comment");
    writer.Key(platform::kHkeyCurrentUser, R"(Control Panel\Desktop)");
    writer.Value(c.value);
    const std::vector<std::uint8_t> bytes = writer.Bytes();
    EXPECT_EQ(writer.Size(), bytes.size());
    const std::string text = Text(bytes);
    EXPECT_NE(text.find(kHead + "; a comment\r\n" + kKey + c.form), std::string::npos)
        << text.substr(0, 300);

    std::vector<RegistryFileLine> lines;
    std::string reason;
    ASSERT_TRUE(platform::ReadRegistryFile(bytes, &lines, &reason)) << reason;
    // The empty line after the header, the comment, the key, the value, and the empty line
    // after the last line break.
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].kind, RegistryFileLine::Kind::kBlank);
    EXPECT_EQ(lines[1].kind, RegistryFileLine::Kind::kComment);
    EXPECT_EQ(lines[1].comment, " a comment");
    EXPECT_EQ(lines[2].kind, RegistryFileLine::Kind::kKey);
    EXPECT_EQ(lines[2].root, platform::kHkeyCurrentUser);
    EXPECT_EQ(lines[2].keyPath, R"(Control Panel\Desktop)");
    EXPECT_EQ(lines[3].kind, RegistryFileLine::Kind::kValue);
    EXPECT_EQ(lines[3].number, 5u);
    EXPECT_EQ(lines[3].value, c.value);
    EXPECT_EQ(lines[4].kind, RegistryFileLine::Kind::kBlank);
  }
}

TEST(RegistryFile, LongHexIsBrokenAsTheEditorBreaksItAndJoinedAgain) {
  platform::RegistryFileWriter writer;
  writer.Key(platform::kHkeyUsers, R"(.DEFAULT\x)");
  writer.Value({"B", true, platform::kRegBinary, std::vector<std::uint8_t>(40, 0xAB)});
  writer.Key(platform::kHkeyLocalMachine, R"(SYSTEM\y)");
  const std::string text = Text(writer.Bytes());
  EXPECT_NE(text.find("\"B\"=hex:ab,ab,"), std::string::npos);
  EXPECT_NE(text.find(",\\\r\n  ab,"), std::string::npos) << text;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
  }
  std::vector<RegistryFileLine> lines;
  std::string reason;
  ASSERT_TRUE(platform::ReadRegistryFile(writer.Bytes(), &lines, &reason)) << reason;
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2].value.data, std::vector<std::uint8_t>(40, 0xAB));
  EXPECT_EQ(lines[3].kind, RegistryFileLine::Kind::kKey) << "the key after the long value";
  EXPECT_EQ(lines[3].number, 6u) << "numbered by the file's own lines";
}

// Only a value line whose data is hex goes on after a backslash at its end: a comment or a text
// ending with one must not swallow the lines after it.
TEST(RegistryFile, OnlyHexValueLinesContinue) {
  std::vector<RegistryFileLine> lines;
  std::string reason;
  ASSERT_TRUE(platform::ReadRegistryFile(
      RegFile(kHead + "; \"x\"=hex:01,\\\r\n" + kKey + "\"a\"=\"ends with \\\\\"\r\n" +
              "\"b\"=hex:01,\\\r\n  02\r\n"),
      &lines, &reason))
      << reason;
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1].kind, RegistryFileLine::Kind::kComment);
  EXPECT_EQ(lines[2].kind, RegistryFileLine::Kind::kKey);
  EXPECT_EQ(lines[3].value.data, Utf16(u"ends with \\\0"s));
  EXPECT_EQ(lines[4].value.data, (std::vector<std::uint8_t>{1, 2}));
}

TEST(RegistryFile, WhatTheWriterNeverWritesIsRefused) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const std::string utf8 = kHead + kKey;
  const Case cases[] = {
      {"UTF-8, not UTF-16", std::vector<std::uint8_t>(utf8.begin(), utf8.end())},
      {"another first line", RegFile("REGEDIT4\r\n\r\n" + kKey)},
      {"a key to delete", RegFile(kHead + "[-HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n")},
      {"another root", RegFile(kHead + "[HKEY_CLASSES_ROOT\\exefile]\r\n")},
      {"a key without its end", RegFile(kHead + "[HKEY_CURRENT_USER\\x\r\n")},
      {"a default value", RegFile(kHead + kKey + "@=\"x\"\r\n")},
      {"bad hex", RegFile(kHead + kKey + "\"v\"=hex(2):zz,00\r\n")},
      {"one hex digit", RegFile(kHead + kKey + "\"v\"=hex:1,00\r\n")},
      {"a comma at the end", RegFile(kHead + kKey + "\"v\"=hex:01,\r\n")},
      {"a short dword", RegFile(kHead + kKey + "\"v\"=dword:123\r\n")},
      {"no value", RegFile(kHead + kKey + "\"v\"\r\n")},
      {"an unclosed text", RegFile(kHead + kKey + "\"v\"=\"C:\\\\x\r\n")},
      {"an escape the editor does not write", RegFile(kHead + kKey + "\"v\"=\"a\\nb\"\r\n")},
      {"something after the text", RegFile(kHead + kKey + "\"v\"=\"a\" x\r\n")},
      {"cut in half a character", {0xFF, 0xFE, 0x57}},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    std::vector<RegistryFileLine> lines;
    std::string reason;
    EXPECT_FALSE(platform::ReadRegistryFile(c.bytes, &lines, &reason)) << c.what;
    EXPECT_FALSE(reason.empty()) << c.what;
    EXPECT_TRUE(lines.empty()) << c.what;
  }
}
