// Finding Brisko's windows and controls from another process and working them as a user
// would: BM_CLICK, WM_CHAR, and reading texts, states, fonts and positions.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

namespace driver {

// Polls condition until it holds or timeoutMs has passed.
inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 20000) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(20);
  }
  return true;
}

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

inline HWND WaitWindow(const char* className, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND hwnd = FindVisible(className)) return hwnd;
    if (::GetTickCount() - start > timeoutMs) return nullptr;
    ::Sleep(50);
  }
}

inline bool WaitGone(const char* className, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (::FindWindowExA(nullptr, nullptr, className, nullptr) != nullptr) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(50);
  }
  return true;
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

inline LOGFONTA Font(HWND hwnd) {
  LOGFONTA font{};
  auto handle = reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
  if (handle != nullptr) ::GetObjectA(handle, sizeof font, &font);
  return font;
}

}  // namespace driver
