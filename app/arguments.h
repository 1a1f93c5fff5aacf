// brisko.exe's arguments taken from the UTF-16 command line Windows keeps, not from the ANSI
// copy: that one turns Łódź into Lódz (another file) and loses what its code page lacks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// The arguments after the program name, each in UTF-8 (a lone surrogate becomes U+FFFD), split
// as a C program's argv is split:
//  - The program name ends at the first space or tab, or, when it begins with a quote, at the
//    next quote; nothing in it is an escape (it is a path, and a path may end in a backslash).
//  - Arguments are separated by spaces and tabs outside quotes; blanks at either end are none.
//  - A quote switches quoting on or off and is dropped, so "" alone is an empty argument.
//  - 2n backslashes and a quote give n backslashes, and the quote switches quoting; 2n+1
//    backslashes and a quote give n backslashes and a literal quote; backslashes before
//    anything else are literal.
//  - Inside quotes, two quotes give one literal quote and quoting stays on. This is the rule
//    of the Visual C++ runtimes since 2005 and of today's Universal CRT; CommandLineToArgvW
//    and the old msvcrt.dll also give one quote but switch quoting off.
//  - A quote left open runs to the end of the line.
std::vector<std::string> SplitCommandLine(std::u16string_view commandLine);

}  // namespace app
