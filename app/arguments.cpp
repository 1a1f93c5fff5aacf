// Splitting the UTF-16 command line into arguments by the C runtime's rules (arguments.h).
#include "app/arguments.h"

#include "platform/unicode.h"

namespace app {
namespace {

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

// Where the program name ends. It is a path, so the argument rules do not apply to it.
std::size_t ProgramNameEnd(std::u16string_view line) {
  if (!line.empty() && line.front() == u'"') {
    const std::size_t closing = line.find(u'"', 1);
    return closing == std::u16string_view::npos ? line.size() : closing + 1;
  }
  std::size_t at = 0;
  while (at < line.size() && !IsBlank(line[at])) ++at;
  return at;
}

// One argument from line[at], which is not a blank; at is left on the blank after it, or at
// the end.
std::u16string ReadArgument(std::u16string_view line, std::size_t& at) {
  std::u16string argument;
  bool quoted = false;
  while (at < line.size() && (quoted || !IsBlank(line[at]))) {
    const char16_t unit = line[at];
    if (unit == u'\\') {
      std::size_t backslashes = 0;
      for (; at < line.size() && line[at] == u'\\'; ++at) ++backslashes;
      if (at < line.size() && line[at] == u'"') {
        argument.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {  // an escaped quote
          argument += u'"';
          ++at;
        }  // else the quote is read on the next turn, as if no backslash stood before it
      } else {
        argument.append(backslashes, u'\\');
      }
    } else if (unit == u'"') {
      if (quoted && at + 1 < line.size() && line[at + 1] == u'"') {
        argument += u'"';
        at += 2;
      } else {
        quoted = !quoted;
        ++at;
      }
    } else {
      argument += unit;
      ++at;
    }
  }
  return argument;
}

}  // namespace

// Every character the rules look at (quote, backslash, space, tab) is a single UTF-16 unit
// that never occurs inside a surrogate pair, so the split works unit by unit and each
// argument is converted to UTF-8 whole.
std::vector<std::string> SplitCommandLine(std::u16string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t at = ProgramNameEnd(commandLine);
  for (;;) {
    while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
    if (at == commandLine.size()) return arguments;
    arguments.push_back(platform::Utf8FromUtf16(ReadArgument(commandLine, at)));
  }
}

}  // namespace app
