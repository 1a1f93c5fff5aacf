// The floor for /audit: a program with no window that opens and reads the same registry values
// as the audit, in the same view, and does nothing else: no lock, no output, no judging.
#include <windows.h>

#include <string>

#include "catalogue/settings_backup.h"

int main() {
  // The view a run writes to: the 64-bit one on 64-bit Windows, which a 32-bit program must ask
  // for (IsWow64Process is looked up, as brisko.exe does, for Windows 2000).
  REGSAM view = 0;
#ifndef _WIN64
  using IsWow64Function = BOOL(WINAPI*)(HANDLE, PBOOL);
  BOOL wow64 = FALSE;
  const auto isWow64 = reinterpret_cast<IsWow64Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32"), "IsWow64Process")));
  if (isWow64 != nullptr && isWow64(::GetCurrentProcess(), &wow64) && wow64) {
    view = KEY_WOW64_64KEY;
  }
#endif
  int present = 0;
  for (const catalogue::SavedSetting& setting : catalogue::SettingsARunReplaces()) {
    HKEY key = nullptr;
    const HKEY root =
        reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(setting.root)));
    if (::RegOpenKeyExA(root, setting.keyPath.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
      continue;
    }
    const std::wstring name(setting.valueName.begin(), setting.valueName.end());
    BYTE data[1024];
    DWORD type = 0, size = sizeof data;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, data, &size) == ERROR_SUCCESS) {
      ++present;
    }
    ::RegCloseKey(key);
  }
  return present;
}
