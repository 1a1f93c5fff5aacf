// The Registry Editor's file format, version 5.00: quoting, hex with the editor's line breaks,
// and a reader that takes only what the writer writes, in time linear in the file's size.
#include "platform/registry_file.h"

#include <optional>

#include "platform/failure.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"

namespace platform {
namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
// Hex lines are broken where the Registry Editor breaks them, after about 76 columns.
constexpr std::size_t kHexLineWidth = 76;

struct RootName {
  std::uint32_t root;
  std::u16string_view name;
};
constexpr RootName kRootNames[] = {
    {kHkeyCurrentUser, u"HKEY_CURRENT_USER"},
    {kHkeyLocalMachine, u"HKEY_LOCAL_MACHINE"},
    {kHkeyUsers, u"HKEY_USERS"},
};

std::u16string Hex2(unsigned value) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

// With `digits` digits, or as few as the number needs when digits is 0.
std::u16string HexNumber(std::uint32_t value, int digits = 0) {
  std::u16string text;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const unsigned digit = (value >> shift) & 0xF;
    if (digit != 0 || !text.empty() || shift < 4 * digits || shift == 0) {
      text += Hex2(digit).substr(1);
    }
  }
  return text;
}

std::vector<std::uint8_t> Bytes16(std::u16string_view units) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * units.size());
  for (char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted = u"\"";
  for (char16_t unit : text) {
    if (unit == u'\\' || unit == u'"') quoted += u'\\';
    quoted += unit;
  }
  return quoted + u"\"";
}

// Text the Registry Editor writes in quotes and reads back to the same bytes: terminated once,
// at the end, with no line break inside. Anything else is written in hex.
std::optional<std::u16string> QuotableText(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string units = Utf16Units(data);
  if (units.back() != 0) return std::nullopt;
  units.pop_back();
  constexpr std::u16string_view kBreaking(u"\0\r\n", 3);
  if (units.find_first_of(kBreaking) != std::u16string::npos) return std::nullopt;
  return Quoted(units);
}

// --- reading

struct Cursor {
  std::u16string_view line;
  std::size_t at = 0;
  bool Done() const { return at >= line.size(); }
  bool Take(std::u16string_view text) {
    if (line.substr(at, text.size()) != text) return false;
    at += text.size();
    return true;
  }
};

// A quoted name or text, unescaped; nullopt when it is not one.
std::optional<std::u16string> ReadQuoted(Cursor& cursor) {
  if (!cursor.Take(u"\"")) return std::nullopt;
  std::u16string text;
  while (!cursor.Done()) {
    char16_t unit = cursor.line[cursor.at++];
    if (unit == u'"') return text;
    if (unit == u'\\') {
      if (cursor.Done()) return std::nullopt;
      unit = cursor.line[cursor.at++];
      if (unit != u'\\' && unit != u'"') return std::nullopt;
    }
    text += unit;
  }
  return std::nullopt;
}

int HexDigit(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

std::optional<std::uint32_t> ReadHexNumber(Cursor& cursor, std::size_t maxDigits) {
  std::uint32_t number = 0;
  std::size_t digits = 0;
  while (!cursor.Done() && HexDigit(cursor.line[cursor.at]) >= 0 && digits < maxDigits) {
    number = (number << 4) | static_cast<std::uint32_t>(HexDigit(cursor.line[cursor.at++]));
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return number;
}

// The value after '=': fills present, type and data; false when it is not a form we write.
bool ReadValue(Cursor& cursor, RegistryFileValue* value) {
  if (cursor.Take(u"-")) {
    value->present = false;
    return cursor.Done();
  }
  value->present = true;
  if (cursor.line.substr(cursor.at, 1) == u"\"") {
    const auto text = ReadQuoted(cursor);
    if (!text || !cursor.Done()) return false;
    value->type = kRegSz;
    value->data = Bytes16(*text + u'\0');
    return true;
  }
  if (cursor.Take(u"dword:")) {
    const std::size_t start = cursor.at;
    const auto number = ReadHexNumber(cursor, 8);
    if (!number || cursor.at - start != 8 || !cursor.Done()) return false;
    value->type = kRegDword;
    value->data = {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                   static_cast<std::uint8_t>(*number >> 16),
                   static_cast<std::uint8_t>(*number >> 24)};
    return true;
  }
  if (cursor.Take(u"hex:")) {
    value->type = kRegBinary;
  } else if (cursor.Take(u"hex(")) {
    const auto type = ReadHexNumber(cursor, 8);
    if (!type || !cursor.Take(u"):")) return false;
    value->type = *type;
  } else {
    return false;
  }
  value->data.clear();
  value->data.reserve((cursor.line.size() - cursor.at + 1) / 3);
  while (!cursor.Done()) {
    const std::size_t start = cursor.at;
    const auto byte = ReadHexNumber(cursor, 2);
    if (!byte || cursor.at - start != 2) return false;
    value->data.push_back(static_cast<std::uint8_t>(*byte));
    if (!cursor.Done() && (!cursor.Take(u",") || cursor.Done())) return false;
  }
  return true;
}

// Whether a line is a value line whose data is hex: only such a line continues on the next
// when it ends with a backslash, as in the Registry Editor. A comment or a quoted text that
// happens to end with one does not swallow the lines after it.
bool IsHexValueLine(std::u16string_view line) {
  Cursor cursor{line};
  return ReadQuoted(cursor) && cursor.Take(u"=hex");
}

struct RawLine {
  std::u16string text;
  std::size_t number = 0;
};

// The file's lines, with continued hex lines joined. Each character is looked at a bounded
// number of times, so that a large file costs no more than its size.
std::vector<RawLine> SplitLines(std::u16string_view text) {
  std::vector<RawLine> lines;
  bool continuing = false;
  std::size_t number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (continuing) {
      const std::size_t indent = line.find_first_not_of(u' ');
      if (indent != std::u16string_view::npos) lines.back().text += line.substr(indent);
    } else {
      lines.push_back({std::u16string(line), number});
      if (!IsHexValueLine(line)) continue;
    }
    std::u16string& joined = lines.back().text;
    continuing = !joined.empty() && joined.back() == u'\\';
    if (continuing) joined.pop_back();
  }
  return lines;
}

bool ReadLine(const RawLine& raw, RegistryFileLine* line) {
  const std::u16string_view text = raw.text;
  line->number = raw.number;
  if (text.empty()) {
    line->kind = RegistryFileLine::Kind::kBlank;
    return true;
  }
  if (text[0] == u';') {
    line->kind = RegistryFileLine::Kind::kComment;
    line->comment = Utf8FromUtf16(text.substr(1));
    return true;
  }
  if (text[0] == u'[') {
    line->kind = RegistryFileLine::Kind::kKey;
    for (const RootName& row : kRootNames) {
      const std::u16string prefix = u"[" + std::u16string(row.name) + u"\\";
      if (text.starts_with(prefix) && text.back() == u']' && text.size() > prefix.size() + 1) {
        line->root = row.root;
        line->keyPath = Utf8FromUtf16(text.substr(prefix.size(), text.size() - prefix.size() - 1));
        return true;
      }
    }
    return false;
  }
  line->kind = RegistryFileLine::Kind::kValue;
  Cursor cursor{text};
  const auto name = ReadQuoted(cursor);
  if (!name || !cursor.Take(u"=")) return false;
  line->value.name = Utf8FromUtf16(*name);
  return ReadValue(cursor, &line->value);
}

}  // namespace

std::u16string Utf16Units(std::span<const std::uint8_t> data) {
  std::u16string units;
  units.reserve(data.size() / 2);
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return units;
}

std::optional<std::uint32_t> DwordValue(std::uint32_t type, std::span<const std::uint8_t> data) {
  if (type != kRegDword || data.size() != 4) return std::nullopt;
  return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

std::string RegistryRootName(std::uint32_t root) {
  for (const RootName& row : kRootNames) {
    if (row.root == root) return Utf8FromUtf16(row.name);
  }
  return {};
}

RegistryFileWriter::RegistryFileWriter() : text_(std::u16string(kHeader) + u"\r\n\r\n") {}

void RegistryFileWriter::Comment(std::string_view text) {
  text_ += u"; " + Utf16FromUtf8(text) + u"\r\n";
}

void RegistryFileWriter::Blank() { text_ += u"\r\n"; }

void RegistryFileWriter::Key(std::uint32_t root, std::string_view keyPath) {
  for (const RootName& row : kRootNames) {
    if (row.root == root) {
      text_ += u"[" + std::u16string(row.name) + u"\\" + Utf16FromUtf8(keyPath) + u"]\r\n";
      return;
    }
  }
  throw Failure("a registry key below an unknown root");
}

void RegistryFileWriter::Value(const RegistryFileValue& value) {
  std::u16string line = Quoted(Utf16FromUtf8(value.name)) + u"=";
  const std::vector<std::uint8_t>& data = value.data;
  if (!value.present) {
    line += u"-";
  } else if (const auto number = DwordValue(value.type, data)) {
    line += u"dword:" + HexNumber(*number, 8);
  } else if (const auto text = value.type == kRegSz ? QuotableText(data) : std::nullopt) {
    line += *text;
  } else {
    line += value.type == kRegBinary ? std::u16string(u"hex:")
                                     : u"hex(" + HexNumber(value.type) + u"):";
    std::size_t column = line.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
      line += Hex2(data[i]);
      column += 2;
      if (i + 1 == data.size()) break;
      line += u',';
      ++column;
      if (column >= kHexLineWidth) {
        line += u"\\\r\n  ";
        column = 2;
      }
    }
  }
  text_ += line + u"\r\n";
}

std::vector<std::uint8_t> RegistryFileWriter::Bytes() const {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  const std::vector<std::uint8_t> body = Bytes16(text_);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

bool ReadRegistryFile(std::span<const std::uint8_t> bytes, std::vector<RegistryFileLine>* lines,
                      std::string* reason) {
  lines->clear();
  if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
    *reason = "not UTF-16 with a byte-order mark";
    return false;
  }
  const std::vector<RawLine> raw = SplitLines(Utf16Units(bytes.subspan(2)));
  if (raw.empty() || raw[0].text != kHeader) {
    *reason = "its first line is not the Registry Editor's";
    return false;
  }
  lines->reserve(raw.size() - 1);
  for (std::size_t i = 1; i < raw.size(); ++i) {
    RegistryFileLine line;
    if (!ReadLine(raw[i], &line)) {
      *reason = "line " + std::to_string(raw[i].number) +
                (line.kind == RegistryFileLine::Kind::kKey
                     ? ": a key to delete, or below a root not written here"
                     : ": not a value line of the forms written here");
      lines->clear();
      return false;
    }
    lines->push_back(std::move(line));
  }
  return true;
}

}  // namespace platform
