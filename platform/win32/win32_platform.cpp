// Start-up of the Win32 side: a safe library search path, the common controls, then the
// toolkit and the system interfaces. Only what the first window needs happens before it
// shows: COM and the shell and picture libraries are started on first use
// (system_library.h).
#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
namespace {

// A library planted in the current folder must never be loaded in place of a system one.
// SetDllDirectoryA("") takes the current folder out of the search from XP SP1 on; where
// the system has SetDefaultDllDirectories (Windows 8, 7 with KB2533623, Wine), the search
// is narrowed to our own folder and the system's. Both are looked up, not imported, so the
// program still starts where they are missing.
void RemoveCurrentFolderFromLibrarySearch() {
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDllDirectoryA")));
  if (setDllDirectory != nullptr) setDllDirectory("");
  auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr) setDefaultDllDirectories(kSearchDefaultDirs);
}

// Brisko takes no text input, so an input method editor is of no use to it. Switched off for
// the whole process before the first window, the system sets none up for our windows (which
// it would do as the first one is created and shown), and a key typed on the disclaimer
// reaches it at once even where an input method is active. Looked up, not imported.
void SwitchOffInputMethod() {
  using ImmDisableImeFunction = BOOL(WINAPI*)(DWORD);
  if (const auto disable = SystemFunction<ImmDisableImeFunction>("imm32.dll", "ImmDisableIME")) {
    disable(static_cast<DWORD>(-1));  // every thread of this process
  }
}

}  // namespace

struct Win32Platform::Parts {
  explicit Parts(HINSTANCE instance) : host(instance) {}
  Win32Os os;
  Os system{os, os, os, os, os};
  Win32Host host;
};

Win32Platform::Win32Platform() {
  RemoveCurrentFolderFromLibrarySearch();
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

}  // namespace platform::win32
