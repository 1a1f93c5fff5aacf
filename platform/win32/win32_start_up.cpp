// Start-up of the Win32 side: the start-up services (Win32StartUp, made first: it narrows the
// library search), then the common controls, the toolkit and the system interfaces for the
// windows (Win32Platform) or for a run from the command line (Win32System). Only what the first
// window needs happens before it shows: COM and the shell and picture libraries are started on
// first use (system_library.h).
#include "platform/win32/win32_start_up.h"

#include <windows.h>
#include <commctrl.h>
#include <imm.h>

#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
namespace {

// A library planted in the current folder must never be loaded in place of a system one.
// SetDllDirectoryA("") takes the current folder out of the search from XP SP1 on; where
// the system has SetDefaultDllDirectories (Windows 8, 7 with KB2533623, Wine), the search
// is narrowed to our own folder and the system's. Both are looked up, not imported, so the
// program still starts where they are missing; kernel32 is already in the process, so the
// lookup loads nothing. Headers for XP need not declare either, hence the function types of
// their documentation.
void RemoveCurrentFolderFromLibrarySearch() {
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
  if (const auto setDllDirectory = SystemFunction<SetDllDirectoryFunction>(
          SystemLibrary::kKernel32, "SetDllDirectoryA", IfMissing::kGiveNull)) {
    setDllDirectory("");
  }
  if (const auto setDefaultDllDirectories = SystemFunction<SetDefaultDllDirectoriesFunction>(
          SystemLibrary::kKernel32, "SetDefaultDllDirectories", IfMissing::kGiveNull)) {
    setDefaultDllDirectories(kSearchDefaultDirs);
  }
}

// Brisko takes no text input, so an input method editor is of no use to it. Switched off for
// the whole process before the first window, the system sets none up for our windows (which
// it would do as the first one is created and shown), and a key typed on the disclaimer
// reaches it at once even where an input method is active. Looked up, not imported.
void SwitchOffInputMethod() {
  if (const auto disable = SystemFunction<decltype(&::ImmDisableIME)>(
          SystemLibrary::kImm32, "ImmDisableIME", IfMissing::kGiveNull)) {
    disable(static_cast<DWORD>(-1));  // every thread of this process
  }
}

}  // namespace

struct Win32Platform::Parts {
  explicit Parts(HINSTANCE instance) : host(instance) {}
  Win32Os os;
  Win32Files files;
  Os system{os, os, os, os, os, files};
  Win32Host host;
};

Win32Platform::Win32Platform() {
  SwitchOffInputMethod();
  // The common controls we use beyond buttons and labels: progress bars and tool tips.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);
  parts_ = std::make_unique<Parts>(::GetModuleHandleA(nullptr));
}

Win32Platform::~Win32Platform() {
  parts_.reset();
  StopCom();
}

WindowHost& Win32Platform::Host() { return parts_->host; }
Os& Win32Platform::System() { return parts_->system; }
int Win32Platform::RunMessageLoop() { return parts_->host.RunMessageLoop(); }

struct Win32System::Parts {
  Win32Os os;
  Win32Files files;
  Os system{os, os, os, os, os, files};
};

// COM is started by the first action that needs it, as for the windows.
Win32System::Win32System() : parts_(std::make_unique<Parts>()) {}

Win32System::~Win32System() {
  parts_.reset();
  StopCom();
}

Os& Win32System::System() { return parts_->system; }

namespace {

// Every session and every account sees the Global namespace, so a run as SYSTEM from a
// startup script and a user's run in their own session exclude each other. (Windows 2000
// without Terminal Services ignores the prefix, which comes to the same.)
constexpr char kMachineLockName[] = "Global\\BriskoMachineLock";

HANDLE AsHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

bool WriteAll(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace

Win32StartUp::Win32StartUp() { RemoveCurrentFolderFromLibrarySearch(); }

Win32StartUp::~Win32StartUp() {
  if (log_ != 0) ::CloseHandle(AsHandle(log_));
  if (outputKind_ == Output::kConsole) ::CloseHandle(AsHandle(output_));
  if (machineLock_ != 0) {
    ::ReleaseMutex(AsHandle(machineLock_));
    ::CloseHandle(AsHandle(machineLock_));
  }
}

// Owning the mutex, not merely opening it, is the lock: a Brisko that crashed leaves it
// abandoned, and the next one takes it over. A lock made by another account that we may not
// open (CreateMutex fails with access denied) is someone else's, so it counts as held.
bool Win32StartUp::ClaimMachine() {
  if (machineLock_ != 0) return true;
  const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kMachineLockName);
  if (mutex == nullptr) return false;
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return false;
  }
  machineLock_ = reinterpret_cast<Handle>(mutex);
  return true;
}

bool Win32StartUp::BringToFront(const std::string& windowClass) {
  HWND window = nullptr;
  while ((window = ::FindWindowExA(nullptr, window, windowClass.c_str(), nullptr)) != nullptr) {
    if (!::IsWindowVisible(window)) continue;
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    return true;
  }
  return false;
}

void Win32StartUp::Pause(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

// The texts are UTF-8 (a path may name a folder in any language), hence the wide calls.
void Win32StartUp::ShowNotice(const std::string& text, const std::string& title) {
  ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

bool Win32StartUp::Ask(const std::string& text, const std::string& title) {
  return ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_SETFOREGROUND) == IDYES;
}

// A GUI program has no console of its own. A caller that redirected our output (a script's
// "> file", a deployment agent's pipe) gets it there; a console user gets it in the console
// they started us from (AttachConsole is XP's, looked up so that 2000 still starts).
bool Win32StartUp::OpenOutput() {
  if (outputKind_ != Output::kUnknown) return outputKind_ != Output::kNone;
  outputKind_ = Output::kNone;
  const HANDLE inherited = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD type = inherited != nullptr && inherited != INVALID_HANDLE_VALUE
                         ? ::GetFileType(inherited)
                         : FILE_TYPE_UNKNOWN;
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    output_ = reinterpret_cast<Handle>(inherited);
    outputKind_ = Output::kInherited;
    return true;
  }
  constexpr DWORD kAttachParentProcess = static_cast<DWORD>(-1);
  const auto attachConsole = SystemFunction<decltype(&::AttachConsole)>(
      SystemLibrary::kKernel32, "AttachConsole", IfMissing::kGiveNull);
  if (attachConsole == nullptr || !attachConsole(kAttachParentProcess)) return false;
  const HANDLE console =
      ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return false;
  output_ = reinterpret_cast<Handle>(console);
  outputKind_ = Output::kConsole;
  return true;
}

void Win32StartUp::WriteOutput(const std::string& text) {
  if (outputKind_ == Output::kInherited || outputKind_ == Output::kConsole) {
    WriteAll(AsHandle(output_), text);
  }
}

bool Win32StartUp::OpenLog(const std::string& path) {
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (log_ != 0) ::CloseHandle(AsHandle(log_));
  log_ = reinterpret_cast<Handle>(file);
  return true;
}

bool Win32StartUp::WriteLog(const std::string& text) {
  return log_ != 0 && WriteAll(AsHandle(log_), text);
}

UtcTime Win32StartUp::Now() {
  SYSTEMTIME time{};
  ::GetSystemTime(&time);
  return {time.wYear,   time.wMonth,  time.wDay,         time.wHour,
          time.wMinute, time.wSecond, time.wMilliseconds};
}

std::string Win32StartUp::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &size) ? Utf8(name) : std::string();
}

std::string Win32StartUp::UserName() {
  wchar_t name[257] = {};  // UNLEN + 1
  DWORD size = 257;
  return ::GetUserNameW(name, &size) ? Utf8(name) : std::string();
}

}  // namespace platform::win32
