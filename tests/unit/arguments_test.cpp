// Splitting brisko.exe's UTF-16 command line into UTF-8 arguments by the C runtime's rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/arguments.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheRuntimesRules) {
  const struct {
    const char* what;
    std::u16string line;
    Arguments expected;
  } cases[] = {
      // The documented examples of the C runtime, after a program name.
      {"quotes hold blanks", uR"(brisko.exe "a b c" d e)", {"a b c", "d", "e"}},
      {"escaped quote, escaped backslash", uR"(brisko.exe "ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
      {"backslashes before no quote, quotes inside an argument",
       uR"(brisko.exe a\\\b d"e f"g h)",
       {R"(a\\\b)", "de fg", "h"}},
      {"odd backslashes and a quote", uR"(brisko.exe a\\\"b c d)", {R"(a\"b)", "c", "d"}},
      {"even backslashes and a quote", uR"(brisko.exe a\\\\"b c" d e)", {R"(a\\b c)", "d", "e"}},
      {"two quotes inside quotes: one quote, still quoted",
       uR"(brisko.exe a"b"" c d)",
       {"ab\" c d"}},

      // The program name is a path: no escapes, and a quoted one ends at its closing quote.
      {"quoted program name with blanks",
       uR"("C:\Program Files\Brisko\brisko.exe" /optimize)",
       {"/optimize"}},
      {"backslash before the program name's closing quote",
       uR"("C:\Brisko\" /log x)",
       {"/log", "x"}},
      {"argument right after the quoted program name",
       uR"("C:\brisko\brisko.exe"/optimize)",
       {"/optimize"}},
      {"program name never closed", uR"("C:\brisko\brisko.exe /optimize)", {}},
      {"program name only", u"brisko.exe", {}},
      {"nothing at all", u"", {}},
      {"blanks first: an empty program name", u"  /optimize", {"/optimize"}},

      // Blanks: spaces and tabs only, however many, and none at the ends.
      {"tabs separate", u"brisko.exe\t/optimize\t\t/log \t x", {"/optimize", "/log", "x"}},
      {"blanks at the end", u"brisko.exe /optimize \t ", {"/optimize"}},
      {"a quoted tab stays", u"brisko.exe \"a\tb\"", {"a\tb"}},
      {"a line break is no blank", u"brisko.exe a\nb", {"a\nb"}},

      // Empty and unfinished quotes.
      {"empty quoted argument", uR"(brisko.exe /log "" /optimize)", {"/log", "", "/optimize"}},
      {"empty quoted argument last", uR"(brisko.exe "")", {""}},
      {"a lone quote", uR"(brisko.exe ")", {""}},
      {"quotes that enclose nothing join", uR"(brisko.exe a""b)", {"ab"}},
      {"quote left open runs to the end",
       uR"(brisko.exe /log "C:\My Logs\run.log)",
       {"/log", R"(C:\My Logs\run.log)"}},
      {"a quote between quotes", uR"(brisko.exe """")", {"\""}},
      {"a quote inside a quoted argument", uR"(brisko.exe "a""b c" d)", {"a\"b c", "d"}},

      // Trailing backslashes of folder names.
      {"doubled before the closing quote",
       uR"(brisko.exe /log "C:\Logs\\" /optimize)",
       {"/log", R"(C:\Logs\)", "/optimize"}},
      {"single before the closing quote escapes it",
       uR"(brisko.exe "C:\Logs\" /optimize)",
       {R"(C:\Logs" /optimize)"}},
      {"unquoted before a blank", uR"(brisko.exe C:\Logs\ x)", {R"(C:\Logs\)", "x"}},
      {"at the very end", uR"(brisko.exe C:\Logs\\)", {R"(C:\Logs\\)"}},

      // Beyond ASCII: every character reaches us as it was typed.
      {"Polish letters",
       uR"(brisko.exe /optimize /log C:\Logs\Łódź.log)",
       {"/optimize", "/log", R"(C:\Logs\Łódź.log)"}},
      {"quoted folder with Polish letters",
       uR"(brisko.exe /log "C:\Dzienniki Łódź\run.log")",
       {"/log", R"(C:\Dzienniki Łódź\run.log)"}},
      {"Chinese", uR"(brisko.exe /log C:\日志\运行.log)", {"/log", R"(C:\日志\运行.log)"}},
      {"a surrogate pair", uR"(brisko.exe /log C:\Logs\𝄞.log)", {"/log", R"(C:\Logs\𝄞.log)"}},
      {"a lone surrogate", std::u16string(u"brisko.exe a") + char16_t{0xD800} + u"b", {"a\uFFFDb"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::SplitCommandLine(c.line), c.expected) << c.what;
  }
}

}  // namespace
