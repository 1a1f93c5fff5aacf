// The floor for start-up and memory: the least a Win32 program does to show one window.
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
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
