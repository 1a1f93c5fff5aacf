// The window toolkit on Win32: real windows and controls from the layout tables, placed for
// the screen's DPI.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/win32/pictures.h"
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
  void CreateWindowNative(const WindowSpec& layout) override;
  void CreateControlNative(const WindowSpec& window, const ControlSpec& layout) override;
  void FinishNative(const WindowSpec& layout) override;
  void ShowNative(WindowId id) override;
  void DestroyNative(WindowId id) noexcept override;
  void UpdateNative(const ControlSpec& layout, const ControlState& state) override;
  void QuitNative() noexcept override;

 private:
  struct Native {
    const WindowSpec* layout = nullptr;
    HWND hwnd = nullptr;
    HWND toolTip = nullptr;
    PixelSize outer;  // the window's size with its frame, as it gives the laid-out client area
    std::map<ControlId, HWND> controls;
    std::map<std::pair<int, bool>, Gdi<HFONT>> fonts;  // (points x 100, bold)
    std::map<ControlId, Gdi<HBITMAP>> pictures;        // at the size they are drawn
    std::map<ControlId, Gdi<HBRUSH>> brushes;
    Gdi<HBITMAP> background;
    bool backgroundLoaded = false;
  };

  static LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFormMessage(Native& native, UINT message, WPARAM wParam, LPARAM lParam);
  Native* NativeOf(HWND hwnd);
  Native* Adopt(HWND hwnd);
  void RegisterClasses(const WindowSpec& layout);
  void FitClientArea(Native& native);
  void AddToolTips(Native& native);
  void OrderForTabbing(Native& native);
  HFONT Font(Native& native, const FontSpec& font);
  void SizeToText(Native& native, const ControlSpec& layout, HWND label, const std::string& text);
  LRESULT ControlColour(Native& native, HDC dc, HWND control);
  void DrawImage(Native& native, const DRAWITEMSTRUCT& item);
  void PaintBackground(Native& native, HDC dc);
  bool PreviewKey(MSG& message);
  bool ForgedTimerMessage(const MSG& message);

  HINSTANCE instance_;
  ScreenGeometry geometry_;
  std::map<WindowId, Native> natives_;
  Native* creating_ = nullptr;  // the window being made, until CreateWindowEx returns
};

}  // namespace platform::win32
