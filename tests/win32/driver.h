// Finding Brisko's windows and controls from another process and working them as a user
// would: BM_CLICK, WM_CHAR, and reading texts, states, fonts and positions.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

namespace driver {

// How long a test waits for a state or an event before it calls it missing. Generous on
// purpose: a busy machine (a CI host, every core taken) may take many seconds to start a
// process or show a window, and a wait that ends early only costs time when it holds.
inline constexpr DWORD kPatienceMs = 60000;

// Polls condition until it holds or timeoutMs has passed; on a time-out says what it waited
// for, so that a failure reads as more than "false".
inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kPatienceMs,
                    const char* what = "a condition") {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > timeoutMs) {
      std::fprintf(stderr, "gave up after %lu ms waiting for %s\n",
                   static_cast<unsigned long>(timeoutMs), what);
      return false;
    }
    ::Sleep(20);
  }
  return true;
}

// The program under test: the 64-bit test programs test the 64-bit Brisko, which lies in
// C:\brisko of the sandbox under its own name, as the 32-bit one does under its own.
#ifdef _WIN64
inline constexpr char kProgram[] = "brisko64.exe";
#else
inline constexpr char kProgram[] = "brisko.exe";
#endif
inline constexpr char kProgramFolder[] = "C:\\brisko";

inline std::string ProgramPath() { return std::string(kProgramFolder) + "\\" + kProgram; }

inline const char* ClassOf(const std::string& window) {
  return window == "main" ? "BriskoMainWindow" : "BriskoDisclaimer";
}

inline HWND FindVisible(const char* className) {
  HWND found = nullptr;
  while ((found = ::FindWindowExA(nullptr, found, className, nullptr)) != nullptr) {
    if (::IsWindowVisible(found)) return found;
  }
  return nullptr;
}

inline HWND WaitWindow(const char* className, DWORD timeoutMs = kPatienceMs) {
  HWND found = nullptr;
  const std::string what = std::string("a visible window of class ") + className;
  WaitFor([&] { return (found = FindVisible(className)) != nullptr; }, timeoutMs, what.c_str());
  return found;
}

inline bool WaitGone(const char* className, DWORD timeoutMs = kPatienceMs) {
  const std::string what = std::string("every window of class ") + className + " to close";
  return WaitFor([&] { return ::FindWindowExA(nullptr, nullptr, className, nullptr) == nullptr; },
                 timeoutMs, what.c_str());
}

// Starts Brisko from its folder as a user would and returns its disclaimer window, or
// nullptr when none showed (or the program ended first). DETACHED_PROCESS starts it as
// Explorer does, without a console.
inline HWND StartBrisko(PROCESS_INFORMATION* process, DWORD creationFlags = 0) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = ProgramPath();
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                        kProgramFolder, &startup, process)) {
    return nullptr;
  }
  HWND disclaimer = nullptr;
  WaitFor(
      [&] {
        disclaimer = FindVisible(ClassOf("disclaimer"));
        return disclaimer != nullptr ||
               ::WaitForSingleObject(process->hProcess, 0) == WAIT_OBJECT_0;
      },
      kPatienceMs, "the disclaimer window, or the program's end");
  return disclaimer;
}

// Ends a Brisko from StartBrisko if it still runs, and waits until its windows have gone.
inline void EndBrisko(PROCESS_INFORMATION* process) {
  if (process->hProcess == nullptr) return;
  if (::WaitForSingleObject(process->hProcess, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process->hProcess, 1);
    ::WaitForSingleObject(process->hProcess, kPatienceMs);
  }
  ::CloseHandle(process->hProcess);
  ::CloseHandle(process->hThread);
  *process = {};
  WaitGone(ClassOf("disclaimer"));
  WaitGone(ClassOf("main"));
}

// Returns once the window's thread has handled everything sent to it so far and is back in
// its message loop, so that what it did in answer to a click or a posted message is done.
inline bool Settle(HWND window) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result) != 0;
}

// The same round trip, given up at once if the system already takes the window for hung: the
// window answers messages.
inline bool Responsive(HWND window) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs, &result) != 0;
}

// Processes running now by executable name ("cmd.exe"), or all; with `parent`, only the
// children of that process.
inline constexpr DWORD kAnyParent = 0xFFFFFFFF;
inline int CountProcesses(const char* exe, DWORD parent = kAnyParent) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Process32First(snapshot, &entry); more;
       more = ::Process32Next(snapshot, &entry)) {
    count += (parent == kAnyParent || entry.th32ParentProcessID == parent) &&
             (exe == nullptr || ::lstrcmpiA(entry.szExeFile, exe) == 0);
  }
  ::CloseHandle(snapshot);
  return count;
}

// Waits until every command line this process started (cmd.exe) has ended.
inline bool WaitLinesEnded() {
  return WaitFor([] { return CountProcesses("cmd.exe", ::GetCurrentProcessId()) == 0; },
                 kPatienceMs, "the started command lines to end");
}

struct FindChild {
  int id;
  HWND found;
};

inline BOOL CALLBACK MatchId(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<FindChild*>(data);
  if (::GetDlgCtrlID(hwnd) == search->id) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Controls may sit inside frames, so the search covers every descendant.
inline HWND Control(HWND window, int id) {
  FindChild search{id, nullptr};
  ::EnumChildWindows(window, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::string Text(HWND hwnd) {
  char text[2048] = {};
  ::SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

inline void Click(HWND hwnd) { ::SendMessageA(hwnd, BM_CLICK, 0, 0); }

// Sent through the window's queue, as a typed key arrives.
inline void Type(HWND hwnd, char character) {
  ::PostMessageA(hwnd, WM_CHAR, static_cast<unsigned char>(character), 1);
}

inline int Checked(HWND hwnd) { return static_cast<int>(::SendMessageA(hwnd, BM_GETCHECK, 0, 0)); }

inline int Position(HWND hwnd) { return static_cast<int>(::SendMessageA(hwnd, PBM_GETPOS, 0, 0)); }

inline int RangeMax(HWND hwnd) {
  return static_cast<int>(::SendMessageA(hwnd, PBM_GETRANGE, FALSE, 0));
}

// A control's rectangle in its parent's client coordinates.
inline RECT Place(HWND hwnd) {
  RECT rect;
  ::GetWindowRect(hwnd, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

inline std::set<HWND> VisibleTopLevelWindows() {
  std::set<HWND> windows;
  for (HWND hwnd = ::GetTopWindow(nullptr); hwnd != nullptr;
       hwnd = ::GetWindow(hwnd, GW_HWNDNEXT)) {
    if (::IsWindowVisible(hwnd)) windows.insert(hwnd);
  }
  return windows;
}

// A visible top-level window that was not there before, tool tips aside; null when none.
inline HWND NewVisibleWindow(const std::set<HWND>& before) {
  for (HWND hwnd : VisibleTopLevelWindows()) {
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (!before.count(hwnd) && std::strcmp(name, "tooltips_class32") != 0) return hwnd;
  }
  return nullptr;
}

inline bool PutTextOnClipboard(const char* text) {
  if (!::OpenClipboard(nullptr)) return false;
  ::EmptyClipboard();
  const std::size_t size = std::strlen(text) + 1;
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(::GlobalLock(memory), text, size);
  ::GlobalUnlock(memory);
  ::SetClipboardData(CF_TEXT, memory);
  ::CloseClipboard();
  return ::IsClipboardFormatAvailable(CF_TEXT) != FALSE;
}

// Makes a small file at path and deletes it to the recycle bin; true when the bin holds it.
inline bool RecycleNewFile(const char* path) {
  if (std::FILE* file = std::fopen(path, "w")) {
    std::fputs("to the bin\n", file);
    std::fclose(file);
  }
  char from[MAX_PATH + 1] = {};  // double-terminated list of one path
  std::strncpy(from, path, MAX_PATH - 1);
  SHFILEOPSTRUCTA operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from;
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  if (::SHFileOperationA(&operation) != 0) return false;
  SHQUERYRBINFO bin{};
  bin.cbSize = sizeof bin;
  return ::SHQueryRecycleBinA(nullptr, &bin) == S_OK && bin.i64NumItems > 0;
}

}  // namespace driver
