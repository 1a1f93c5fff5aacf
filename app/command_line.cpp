// Strict on purpose: a deployment script with a typo must fail with exit code 2 at once,
// before anything is changed, rather than quietly do something else.
#include "app/command_line.h"

#include <algorithm>
#include <cctype>

#include "brisko_version.h"

namespace app {
namespace {

bool IsSwitch(const std::string& argument) {
  return argument.size() > 1 && (argument[0] == '/' || argument[0] == '-');
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& arguments) {
  bool optimize = false, help = false, log = false;
  std::string logPath;
  const auto refuse = [](std::string error) {
    return Invocation{.action = Action::kRefuse, .error = std::move(error)};
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!IsSwitch(argument)) return refuse("unexpected argument: " + argument);
    const std::string name = Lower(argument.substr(1));
    if (name == "?" || name == "help") {
      help = true;
    } else if (name == "optimize") {
      if (optimize) return refuse(argument + " is given twice");
      optimize = true;
    } else if (name == "log") {
      if (log) return refuse(argument + " is given twice");
      // A switch right after /log means the file name was left out.
      if (i + 1 == arguments.size() || arguments[i + 1].empty() || IsSwitch(arguments[i + 1])) {
        return refuse(argument + " needs a file name");
      }
      log = true;
      logPath = arguments[++i];
    } else {
      return refuse("unknown switch: " + argument);
    }
  }
  if (help) return {.action = Action::kShowUsage};
  if (log && !optimize) return refuse("/log goes with /optimize");
  if (optimize) return {.action = Action::kOptimize, .logPath = logPath};
  return {};
}

std::string UsageText() {
  return "Brisko " BRISKO_VERSION
         " - tunes this computer.\r\n"
         "\r\n"
         "  brisko.exe                      opens the window\r\n"
         "  brisko.exe /optimize [/log FILE]\r\n"
         "                                  does what \"Optimize\" does, with no window, waits\r\n"
         "                                  up to 30 minutes for the command lines it\r\n"
         "                                  started, then ends\r\n"
         "  brisko.exe /?                   shows this text (also /help)\r\n"
         "\r\n"
         "  /log FILE  writes a record of the run to FILE (replaced if it exists), one JSON\r\n"
         "             object per line: the time, the Windows version, every command line\r\n"
         "             with its exit code, every registry value and the clean-up results.\r\n"
         "             Without /log nothing is written anywhere.\r\n"
         "\r\n"
         "Switches may be written in any case and begin with / or -.\r\n"
         "\r\n"
         "Exit codes:\r\n"
         "  0  the run went through: every step ran and every command line started (a\r\n"
         "     line's own exit code is logged, not judged; lines still running after 30\r\n"
         "     minutes are left running and logged)\r\n"
         "  1  a step, a command line, a registry value, the wallpaper or the URL history\r\n"
         "     could not be carried out (see the log)\r\n"
         "  2  the command line was not understood, or the log file cannot be written;\r\n"
         "     nothing was changed\r\n"
         "  3  another Brisko is running on this computer; nothing was changed\r\n";
}

}  // namespace app
