// Registry files as the Registry Editor writes and reads them ("Windows Registry Editor
// Version 5.00", UTF-16LE with a byte-order mark, CR LF line ends): any value written exactly,
// and the subset this writer produces read back, line by line, for a caller to judge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A value line: the value's name and, unless it is to be deleted ("name"=-), its type and
// bytes as the registry holds them (text types in UTF-16LE).
struct RegistryFileValue {
  std::string name;  // UTF-8
  bool present = false;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  bool operator==(const RegistryFileValue&) const = default;
};

// One line of a file as read back; a value whose hex data the writer broke over several lines
// is one line, numbered by its first.
struct RegistryFileLine {
  enum class Kind { kBlank, kComment, kKey, kValue };
  Kind kind = Kind::kBlank;
  std::size_t number = 0;   // 1-based
  std::string comment;      // kComment: the text after ';', UTF-8
  std::uint32_t root = 0;   // kKey: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS
  std::string keyPath;      // kKey, UTF-8
  RegistryFileValue value;  // kValue
};

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_USERS"; empty for another root.
std::string RegistryRootName(std::uint32_t root);

// A value's bytes as the UTF-16 units of its text (little-endian, as the registry keeps text);
// an odd last byte is left out.
std::u16string Utf16Units(std::span<const std::uint8_t> data);

// The number a REG_DWORD of four bytes holds; nothing for another type or length.
std::optional<std::uint32_t> DwordValue(std::uint32_t type, std::span<const std::uint8_t> data);

// Writes a file line by line, starting with the header line and an empty one.
class RegistryFileWriter {
 public:
  RegistryFileWriter();
  void Comment(std::string_view text);  // "; " + text
  void Blank();
  // "[ROOT\path]"; throws Failure for a root other than the three above.
  void Key(std::uint32_t root, std::string_view keyPath);
  // "name"=-, "name"=dword:..., "name"="text", or hex: / hex(N): for anything that quoted
  // text would not give back byte for byte, broken where the Registry Editor breaks it.
  void Value(const RegistryFileValue& value);
  // The file: byte-order mark, then the text in UTF-16LE.
  std::vector<std::uint8_t> Bytes() const;
  std::size_t Size() const { return 2 + 2 * text_.size(); }

 private:
  std::u16string text_;
};

// Reads bytes written by RegistryFileWriter. False, with the reason naming the line, for bytes
// that are not UTF-16LE with the header line, and for any line that is not empty, a comment, a
// key below one of the three roots or a value line of the writer's forms: no key to delete, no
// default value, no form this writer never writes.
bool ReadRegistryFile(std::span<const std::uint8_t> bytes, std::vector<RegistryFileLine>* lines,
                      std::string* reason);

}  // namespace platform
