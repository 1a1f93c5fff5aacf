// The window toolkit on Win32: real windows and controls from the layout tables.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/win32/gdi.h"
#include "platform/window_host.h"

namespace platform::win32 {

class Win32Host : public WindowHost {
 public:
  explicit Win32Host(HINSTANCE instance);
  ~Win32Host() override;

  std::uintptr_t WindowHandle(WindowId id) override;
  int ShowMessage(const std::string& text, const std::string& title, unsigned style) override;
  int RunMessageLoop();

 protected:
  void CreateNative(const WindowSpec& layout) override;
  void ShowNative(WindowId id) override;
  void DestroyNative(WindowId id) override;
  void UpdateNative(const ControlSpec& layout, const ControlState& state) override;
  void QuitNative() override;

 private:
  struct Native {
    const WindowSpec* layout = nullptr;
    HWND hwnd = nullptr;
    HWND toolTip = nullptr;
    std::map<ControlId, HWND> controls;
    std::map<std::pair<int, bool>, Gdi<HFONT>> fonts;  // (points x 100, bold)
    std::map<ControlId, Gdi<HBITMAP>> pictures;
    std::map<ControlId, Gdi<HBRUSH>> brushes;
    Gdi<HBITMAP> background;
    bool backgroundLoaded = false;
  };

  static LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFormMessage(Native& native, UINT message, WPARAM wParam, LPARAM lParam);
  Native* NativeOf(HWND hwnd);
  void RegisterClasses(const WindowSpec& layout);
  HWND CreateControl(Native& native, const ControlSpec& layout);
  void OrderForTabbing(Native& native);
  HFONT Font(Native& native, const FontSpec& font);
  int Pixels(int twips) const;
  LRESULT ControlColour(Native& native, HDC dc, HWND control);
  void DrawImage(Native& native, const DRAWITEMSTRUCT& item);
  void PaintBackground(Native& native, HDC dc);
  bool PreviewKey(MSG& message);

  HINSTANCE instance_;
  int dpi_ = 96;
  std::map<WindowId, Native> natives_;
};

}  // namespace platform::win32
