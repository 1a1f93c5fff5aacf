// A command-line hand for scripts: starts Brisko, waits for its windows, clicks and types
// into them, and prepares or inspects what a run should clean.
//   brisko-driver launch PROGRAM            start detached, as from the desktop
//   brisko-driver wait-window main|disclaimer TIMEOUT_MS
//   brisko-driver click main|disclaimer BUTTON       BUTTON: next (disclaimer), optimize, exit,
//                                                    disclaimer, defrag, default-settings
//                                                    (main), or a control ID
//   brisko-driver press main|disclaimer BUTTON       click without waiting for the handler
//   brisko-driver wait-rest TIMEOUT_MS               the main window is back at rest after a run
//   brisko-driver answer yes|no              answers Brisko's Yes/No question
//   brisko-driver type main|disclaimer CHARACTER_CODE
//   brisko-driver seed                       text on the clipboard, a file in the recycle bin
//   brisko-driver check-clean                clipboard and recycle bin are empty
//   brisko-driver optimize                   a whole run; fails if any window showed up
//   brisko-driver unattended PROGRAM LOG [SWITCH]
//                                            PROGRAM /optimize /log LOG as a deployment agent
//                                            starts it; a second one (PROGRAM SWITCH, by
//                                            default /optimize) while it runs must exit with
//                                            1618; fails if any window showed up
//   brisko-driver notice PROGRAM SWITCH...   PROGRAM SWITCH... as from the desktop, with no
//                                            console: prints the text of the message box it
//                                            shows, presses OK, prints its exit code
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "app/command_line.h"
#include "app/control_ids.h"
#include "tests/win32/driver.h"

namespace {

// The buttons by the names scripts use, so that a script reads as what it does.
struct NamedButton {
  const char* window;
  const char* name;
  int id;
};
constexpr NamedButton kButtons[] = {
    {"disclaimer", "next", app::disclaimer::kNextButton},
    {"main", "optimize", app::main_window::kOptimizeButton},
    {"main", "exit", app::main_window::kExitButton},
    {"main", "disclaimer", app::main_window::kDisclaimerButton},
    {"main", "defrag", app::main_window::kDefragButton},
    {"main", "default-settings", app::main_window::kDefaultSettingsButton},
};

int ControlId(const std::string& window, const std::string& control) {
  for (const NamedButton& button : kButtons) {
    if (window == button.window && control == button.name) return button.id;
  }
  return std::atoi(control.c_str());
}

// The main window at rest: "Optimize" enabled again and the run's bar back at 0.
bool AtRest(HWND main) {
  return ::IsWindowEnabled(driver::Control(main, app::main_window::kOptimizeButton)) &&
         driver::Position(driver::Control(main, app::main_window::kRunProgressBar)) == 0;
}

// With takeOutput, its output goes to NUL, as an agent that reads a program's output takes it.
HANDLE StartDetached(std::string line, bool takeOutput = false) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE nul = takeOutput ? ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit,
                                                OPEN_EXISTING, 0, nullptr)
                                : INVALID_HANDLE_VALUE;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (nul != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
  }
  PROCESS_INFORMATION process{};
  const bool started =
      ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, nul != INVALID_HANDLE_VALUE,
                       DETACHED_PROCESS, nullptr, nullptr, &startup, &process) != FALSE;
  if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
  if (!started) return nullptr;
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

DWORD ExitCode(HANDLE process) {
  DWORD code = 259;
  ::GetExitCodeProcess(process, &code);
  return code;
}

// The unattended run as a deployment agent starts it, watched from start to end for any
// new visible window (its own, or a console of a line it starts). Once its log exists the
// run holds the machine: a second Brisko started then (another run, or an audit, its output
// taken as a fleet tool takes it) must end with 1618 while the first still runs, and write no
// log.
int Unattended(const char* program, const char* log, const std::string& rivalSwitch) {
  const std::string second = "C:\\second.log";
  ::DeleteFileA(second.c_str());
  const std::set<HWND> before = driver::VisibleTopLevelWindows();
  HANDLE first = StartDetached(std::string(program) + " /optimize /log " + log);
  if (first == nullptr) return 1;
  HANDLE rival = nullptr;
  bool firstRanThroughRival = false;
  int shown = 0;
  std::set<HWND> seen;
  const DWORD start = ::GetTickCount();
  while (::WaitForSingleObject(first, 20) == WAIT_TIMEOUT) {
    if (HWND window = driver::NewVisibleWindow(before);
        window != nullptr && seen.insert(window).second) {
      char name[64] = {};
      ::GetClassNameA(window, name, sizeof name);
      std::printf("a window showed during the unattended run: class %s\n", name);
      ++shown;
    }
    if (rival == nullptr && ::GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES) {
      rival = StartDetached(std::string(program) + " " + rivalSwitch + " /log " + second, true);
      if (rival == nullptr) return 1;
    }
    if (rival != nullptr && !firstRanThroughRival &&
        ::WaitForSingleObject(rival, 0) == WAIT_OBJECT_0) {
      firstRanThroughRival = ::WaitForSingleObject(first, 0) == WAIT_TIMEOUT;
      if (!firstRanThroughRival) break;
    }
    if (::GetTickCount() - start > 15 * 60 * 1000) {
      std::printf("the unattended run did not end within 15 minutes\n");
      return 1;
    }
  }
  ::WaitForSingleObject(first, INFINITE);
  if (rival != nullptr) ::WaitForSingleObject(rival, driver::kPatienceMs);
  const DWORD firstCode = ExitCode(first);
  const DWORD rivalCode = rival != nullptr ? ExitCode(rival) : 259;
  const bool rivalLogged = ::GetFileAttributesA(second.c_str()) != INVALID_FILE_ATTRIBUTES;
  std::printf(
      "unattended run: exit code %lu; a second run while it ran: exit code %lu%s%s; "
      "%d windows shown\n",
      firstCode, rivalCode, firstRanThroughRival ? "" : " (the first had ended already)",
      rivalLogged ? ", and it wrote a log" : "", shown);
  return firstCode == 0 && rivalCode == app::kExitBusy && firstRanThroughRival && !rivalLogged &&
                 shown == 0
             ? 0
             : 1;
}

// Brisko started as Explorer starts it: no console to write to, none to attach to (ours is let
// go first), no output handed down. Its message box is read, answered with OK, and the exit
// code waited for.
int Notice(std::string line) {
  ::FreeConsole();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nullptr;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
    std::printf("cannot start %s\n", line.c_str());
    return 1;
  }
  ::CloseHandle(process.hThread);
  HWND box = nullptr;
  const bool shown = driver::WaitFor(
      [&] {
        DWORD owner = 0;
        box = ::FindWindowA("#32770", "Brisko");
        if (box != nullptr) ::GetWindowThreadProcessId(box, &owner);
        return (box != nullptr && ::IsWindowVisible(box) && owner == process.dwProcessId) ||
               ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
      },
      driver::kPatienceMs, "Brisko's message box, or its end");
  bool answered = false;
  if (shown && box != nullptr) {
    char text[2048] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the static text of a message box
    std::printf("message box: %s\n", text);
    ::PostMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    answered = true;
  } else {
    std::printf("no message box\n");
  }
  const bool ended = ::WaitForSingleObject(process.hProcess, driver::kPatienceMs) == WAIT_OBJECT_0;
  std::printf("exit code %lu\n", ended ? ExitCode(process.hProcess) : 259UL);
  ::CloseHandle(process.hProcess);
  return answered && ended ? 0 : 1;
}

int Launch(const char* program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = program;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
    return 1;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return 0;
}

int Seed() {
  return driver::PutTextOnClipboard("seeded text") && driver::RecycleNewFile("C:\\binned.txt") ? 0
                                                                                               : 1;
}

int CheckClean() {
  SHQUERYRBINFO bin{};
  bin.cbSize = sizeof bin;
  const bool binEmpty = ::SHQueryRecycleBinA(nullptr, &bin) == S_OK && bin.i64NumItems == 0;
  const bool clipboardEmpty = !::IsClipboardFormatAvailable(CF_TEXT);
  const bool clipboardFree = ::OpenClipboard(nullptr) != FALSE;
  if (clipboardFree) ::CloseClipboard();
  std::printf("recycle bin %s, clipboard %s and %s\n", binEmpty ? "empty" : "NOT EMPTY",
              clipboardEmpty ? "empty" : "NOT EMPTY", clipboardFree ? "free" : "HELD");
  return binEmpty && clipboardEmpty && clipboardFree ? 0 : 1;
}

// Clicks "Optimize" and watches that no window of a started line shows, until the window is
// at rest again and every line the run started has ended.
int Optimize() {
  HWND main = driver::WaitWindow("BriskoMainWindow");
  if (main == nullptr) return 1;
  HWND optimize = driver::Control(main, app::main_window::kOptimizeButton);
  const std::set<HWND> before = driver::VisibleTopLevelWindows();
  driver::Click(optimize);
  DWORD brisko = 0;
  ::GetWindowThreadProcessId(main, &brisko);
  std::set<HWND> seen;
  const bool rested = driver::WaitFor(
      [&] {
        if (HWND shownWindow = driver::NewVisibleWindow(before);
            shownWindow != nullptr && seen.insert(shownWindow).second) {
          char name[64] = {};
          ::GetClassNameA(shownWindow, name, sizeof name);
          std::printf("a window showed during the run: class %s\n", name);
        }
        return AtRest(main) && driver::CountProcesses("cmd.exe", brisko) == 0;
      },
      // The run's lines stop dozens of services one after another: longer than one wait.
      5 * driver::kPatienceMs, "the run to come to rest and its lines to end");
  return rested && seen.empty() ? 0 : 1;
}

// Waits for Brisko's modal question and clicks Yes or No on it; done once it has gone.
int Answer(const std::string& answer) {
  HWND question = nullptr;
  const bool shown = driver::WaitFor([&] {
    question = ::FindWindowA("#32770", "Brisko");
    return question != nullptr && ::IsWindowVisible(question);
  });
  if (!shown) return 1;
  ::PostMessageA(::GetDlgItem(question, answer == "yes" ? IDYES : IDNO), BM_CLICK, 0, 0);
  return driver::WaitFor([] { return ::FindWindowA("#32770", "Brisko") == nullptr; }) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "launch" && argc == 3) return Launch(argv[2]);
  if (command == "seed") return Seed();
  if (command == "check-clean") return CheckClean();
  if (command == "optimize") return Optimize();
  if (command == "answer" && argc == 3) return Answer(argv[2]);
  if (command == "unattended" && (argc == 4 || argc == 5)) {
    return Unattended(argv[2], argv[3], argc == 5 ? argv[4] : "/optimize");
  }
  if (command == "notice" && argc >= 4) {
    std::string line = argv[2];
    for (int i = 3; i < argc; ++i) line += std::string(" ") + argv[i];
    return Notice(line);
  }
  if (command == "wait-rest" && argc == 3) {
    HWND main = driver::WaitWindow(driver::ClassOf("main"));
    return main != nullptr && driver::WaitFor([&] { return AtRest(main); },
                                              static_cast<DWORD>(std::atoi(argv[2])),
                                              "the main window to come to rest")
               ? 0
               : 1;
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: brisko-driver COMMAND [WINDOW ARGUMENT]\n");
    return 2;
  }
  const char* className = driver::ClassOf(argv[2]);
  const int argument = std::atoi(argv[3]);
  const int controlId = ControlId(argv[2], argv[3]);
  if (command == "wait-window") {
    return driver::WaitWindow(className, static_cast<DWORD>(argument)) != nullptr ? 0 : 1;
  }
  HWND window = driver::WaitWindow(className);
  if (window == nullptr) return 1;
  if (command == "click" || command == "press") {
    HWND control = driver::Control(window, controlId);
    if (control == nullptr) return 1;
    if (command == "click") {
      driver::Click(control);
    } else {
      ::PostMessageA(control, BM_CLICK, 0, 0);  // the handler may open a modal question
    }
    return 0;
  }
  if (command == "type") {
    driver::Type(window, static_cast<char>(argument));
    return 0;
  }
  return 2;
}
