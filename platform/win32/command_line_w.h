// The command line this process was started with, as Windows keeps it: in UTF-16, before a
// conversion to the ANSI code page could replace a character that the code page lacks.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

namespace platform::win32 {

// GetCommandLineW, unit for unit (wchar_t is a UTF-16 unit on Windows), for
// app::SplitCommandLine.
inline std::u16string CommandLineW() {
  const wchar_t* line = ::GetCommandLineW();
  return std::u16string(line, line + std::wcslen(line));
}

}  // namespace platform::win32
