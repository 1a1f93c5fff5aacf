// The floor for the run's synchronous part: a window whose button does only what a run
// must: start the same 74 hidden lines through the system's cmd.exe and write the same 49
// registry values, with no toolkit, no trap and no progress display.
#include <windows.h>

#include <string>

#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"

namespace {

std::string gInterpreter;

void Start(std::string line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (::CreateProcessA(gInterpreter.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}

void Run() {
  for (auto line : catalogue::kDiskLines) Start(std::string(line));
  for (auto line : catalogue::kServiceLines) Start(std::string(line));
  for (const auto& row : catalogue::kRegistryTweaks) {
    HKEY key = nullptr;
    ::RegCreateKeyA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(row.root))),
                    std::string(row.keyPath).c_str(), &key);
    const std::string name(row.valueName);
    if (row.type == REG_SZ) {
      const std::string text(row.text);
      ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    } else {
      const DWORD number = static_cast<DWORD>(row.number);
      ::RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    }
    ::RegCloseKey(key);
  }
  Start(catalogue::TempLine());
}

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == 101) {
    Run();
    return 0;
  }
  if (message == WM_CLOSE) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main() {
  char system[MAX_PATH];
  ::GetSystemDirectoryA(system, MAX_PATH);
  gInterpreter = std::string(system) + "\\cmd.exe";
  WNDCLASSA form{};
  form.lpfnWndProc = Proc;
  form.hInstance = ::GetModuleHandleA(nullptr);
  form.lpszClassName = "BriskoFloorRun";
  ::RegisterClassA(&form);
  HWND hwnd = ::CreateWindowExA(0, "BriskoFloorRun", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, form.hInstance, nullptr);
  ::CreateWindowExA(0, "BUTTON", "Optimize", WS_CHILD | WS_VISIBLE, 0, 0, 100, 30, hwnd,
                    reinterpret_cast<HMENU>(101), form.hInstance, nullptr);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
