// brisko.exe's command line: no argument opens the windows; /optimize runs unattended;
// /undo puts back the settings a run replaced; /audit says which of them a run would change.
#pragma once

#include <string>
#include <vector>

namespace app {

// The exit codes of brisko.exe, for scripts and deployment tools.
inline constexpr int kExitDone = 0;           // the run went through
inline constexpr int kExitIncomplete = 1;     // a step, a line or a value could not be carried out
inline constexpr int kExitNotUnderstood = 2;  // bad command line, or the log cannot be written
// /audit: a setting is not as a run leaves it, which a fleet tool's remediation acts on.
inline constexpr int kExitDiffers = 1;
// Another Brisko is running on this machine: ERROR_INSTALL_ALREADY_RUNNING, which fleet tools
// (Intune, Configuration Manager) know to retry by themselves.
inline constexpr int kExitBusy = 1618;

enum class Action { kOpenWindows, kOptimize, kUndo, kAudit, kShowUsage, kRefuse };

struct Invocation {
  Action action = Action::kOpenWindows;
  std::string logPath;      // /log FILE; empty: no log
  std::string undoPath;     // /undo FILE; empty: the newest saved file
  bool ask = false;         // /undo /ask: a person started it and is asked and told
  bool noBackup = false;    // /optimize /nobackup: runs even where nothing can be saved
  std::string error;        // kRefuse: what was not understood
};

// arguments: the command line after the program name, split as the C runtime splits it.
// Switches begin with '/' or '-' and are case-insensitive; each may be given once.
Invocation ParseCommandLine(const std::vector<std::string>& arguments);

// The text of /?, with the exit codes.
std::string UsageText();

}  // namespace app
