// Strict on purpose: a deployment script with a typo must fail with exit code 2 at once,
// before anything is changed, rather than quietly do something else.
#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <utility>

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
  bool optimize = false, undo = false, audit = false, ask = false, noBackup = false, help = false,
       log = false;
  std::string logPath, undoPath;
  const auto refuse = [](std::string error) {
    return Invocation{.action = Action::kRefuse, .error = std::move(error)};
  };
  const auto once = [](bool& given) { return !std::exchange(given, true); };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!IsSwitch(argument)) return refuse("unexpected argument: " + argument);
    const std::string name = Lower(argument.substr(1));
    if (name == "?" || name == "help") {
      help = true;
    } else if (name == "optimize") {
      if (!once(optimize)) return refuse(argument + " is given twice");
    } else if (name == "undo") {
      if (!once(undo)) return refuse(argument + " is given twice");
      // The file is optional: without it, the newest saved one.
      if (i + 1 < arguments.size() && !arguments[i + 1].empty() && !IsSwitch(arguments[i + 1])) {
        undoPath = arguments[++i];
      }
    } else if (name == "audit") {
      if (!once(audit)) return refuse(argument + " is given twice");
    } else if (name == "ask") {
      if (!once(ask)) return refuse(argument + " is given twice");
    } else if (name == "nobackup") {
      if (!once(noBackup)) return refuse(argument + " is given twice");
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
  if (optimize && undo) return refuse("/optimize and /undo go separately");
  // The audit changes nothing: a line that also asks for a change is a mistake to stop at.
  if (audit && (optimize || undo || noBackup || ask)) {
    return refuse("/audit goes alone (with /log only)");
  }
  if (log && !optimize && !undo && !audit) {
    return refuse("/log goes with /optimize, /undo or /audit");
  }
  if (noBackup && !optimize) return refuse("/nobackup goes with /optimize");
  if (ask && !undo) return refuse("/ask goes with /undo");
  if (optimize) return {.action = Action::kOptimize, .logPath = logPath, .noBackup = noBackup};
  if (audit) return {.action = Action::kAudit, .logPath = logPath};
  if (undo) {
    return {.action = Action::kUndo, .logPath = logPath, .undoPath = undoPath, .ask = ask};
  }
  return {};
}

std::string UsageText() {
  const std::string program = BRISKO_PROGRAM_NAME;
  return "Brisko " BRISKO_VERSION " - tunes this computer.\r\n"
         "\r\n"
         "  " + program + "\r\n"
         "      opens the window\r\n"
         "  " + program + " /optimize [/log FILE] [/nobackup]\r\n"
         "      saves the settings a run replaces, then does what \"Optimize\" does,\r\n"
         "      with no window; waits up to 30 minutes for the command lines it\r\n"
         "      started, then ends\r\n"
         "  " + program + " /undo [FILE] [/log FILE] [/ask]\r\n"
         "      puts back the settings saved before a run: those in FILE, or the\r\n"
         "      newest saved in the Brisko folder of the common application data;\r\n"
         "      either must be whole and belong to the administrators\r\n"
         "  " + program + " /audit [/log FILE]\r\n"
         "      changes nothing: checks each setting a run makes (49 registry values,\r\n"
         "      the start types of 30 services, the wallpaper) and lists those that are\r\n"
         "      not as a run leaves them\r\n"
         "  " + program + " /?\r\n"
         "      shows this text (also /help)\r\n"
         "\r\n"
         "  /log FILE  writes a record to FILE (replaced if it exists), one JSON object\r\n"
         "             per line: the time, the Windows version, every command line with\r\n"
         "             its exit code, every registry value, the clean-up results, the\r\n"
         "             saved or restored settings, or each setting /audit checked.\r\n"
         "             Without /log nothing is logged.\r\n"
         "  /nobackup  runs even where the settings cannot be saved first (then they\r\n"
         "             cannot be put back)\r\n"
         "  /ask       asks before putting settings back and says what it did\r\n"
         "\r\n"
         "Switches may be written in any case and begin with / or -.\r\n"
         "\r\n"
         "Exit codes:\r\n"
         "  0  done: /optimize: every step ran and every command line started (a\r\n"
         "     line's own exit code is logged, not judged; lines still running after 30\r\n"
         "     minutes are left running and logged); /undo: every setting put back\r\n"
         "  1  /optimize: a step, a command line, a registry value, the wallpaper or the\r\n"
         "     URL history could not be carried out; /undo: a setting could not be put\r\n"
         "     back; or the log could not be written completely, or the machine-wide lock\r\n"
         "     cannot be had or is held by something that is not Brisko (see the output\r\n"
         "     and the log)\r\n"
         "  2  the command line was not understood, the log file cannot be written, the\r\n"
         "     settings cannot be saved before a run (without /nobackup), or /undo has\r\n"
         "     no saved file or cannot use it; nothing was changed\r\n"
         "  1618  another Brisko is running on this computer; nothing was changed (try\r\n"
         "        again later: deployment tools retry this code by themselves)\r\n"
         "\r\n"
         "Exit codes of /audit:\r\n"
         "  0  every setting is as a run leaves it\r\n"
         "  1  at least one setting differs or is absent: a run would change it\r\n"
         "  2  the command line was not understood, the log file cannot be written, a\r\n"
         "     setting could not be read, or the machine-wide lock cannot be had\r\n"
         "  1618  another Brisko is running on this computer: try again when it has ended\r\n";
}

}  // namespace app
