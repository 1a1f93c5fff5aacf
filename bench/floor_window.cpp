// The floors for start-up and memory: the least a Win32 program does to show one window of
// the disclaimer's size. Built twice by the same toolchain as brisko.exe: bare_window.exe,
// without a manifest, and floor_window.exe, with brisko.exe's own manifest (common controls
// 6) and one push button, because a button is what makes the system load and theme the
// common controls 6, as the disclaimer's own buttons do.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

int main() {
  WNDCLASSA form{};
  form.lpfnWndProc = Proc;
  form.hInstance = ::GetModuleHandleA(nullptr);
  form.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  form.lpszClassName = "BriskoFloor";
  ::RegisterClassA(&form);
  HWND hwnd = ::CreateWindowExA(0, "BriskoFloor", "", WS_POPUP | WS_DLGFRAME, 100, 100, 502, 355,
                                nullptr, nullptr, form.hInstance, nullptr);
#ifdef BRISKO_FLOOR_BUTTON
  ::CreateWindowExA(0, "BUTTON", "Next", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 384, 312, 89, 19,
                    hwnd, reinterpret_cast<HMENU>(1101), form.hInstance, nullptr);
#endif
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
