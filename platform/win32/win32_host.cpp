// Real windows from the layout tables. The window procedures only decode a message and
// hand it to the lifecycle in WindowHost; everything a control shows mirrors its state.
// Places, fonts and pictures follow the screen's DPI (the program declares itself aware of
// the system DPI, so Windows does not stretch it).
#include "platform/win32/win32_host.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <tuple>

#include "platform/failure.h"

namespace platform::win32 {
namespace {

constexpr char kFrameClass[] = "BriskoFrame";
constexpr int kFrameCaptionIndent = 8;  // pixels at 96 DPI
Win32Host* gHost = nullptr;  // one toolkit per process: the window procedures reach it here

bool Windowed(ControlKind kind) {
  return kind != ControlKind::kLabel && kind != ControlKind::kLine && kind != ControlKind::kTimer;
}

COLORREF ColourOf(const Colour& colour, int fallbackSystemColour) {
  switch (colour.kind) {
    case Colour::Kind::kSystem:
      return ::GetSysColor(static_cast<int>(colour.value));
    case Colour::Kind::kRgb:
      return colour.value;
    case Colour::Kind::kDefault:
      break;
  }
  return ::GetSysColor(fallbackSystemColour);
}

int Round(float value) { return static_cast<int>(std::lround(value)); }

int ScreenDpi() {
  WindowDc screen(nullptr);
  return screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

PixelSize SizeOf(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

// The pixels of a progress bar that its filled part covers at `position`.
long long FilledWidth(HWND bar, const PBRANGE& range, int position) {
  RECT client{};
  ::GetClientRect(bar, &client);
  if (range.iHigh <= range.iLow) return 0;
  return client.right * (static_cast<long long>(position) - range.iLow) /
         (static_cast<long long>(range.iHigh) - range.iLow);
}

}  // namespace

Win32Host::Win32Host(HINSTANCE instance) : instance_(instance), geometry_(ScreenDpi()) {
  gHost = this;
}

Win32Host::~Win32Host() {
  for (auto& [id, native] : natives_) {
    if (native.hwnd != nullptr) ::DestroyWindow(native.hwnd);
  }
  gHost = nullptr;
}

Win32Host::Native* Win32Host::NativeOf(HWND hwnd) {
  for (auto& [id, native] : natives_) {
    if (native.hwnd == hwnd) return &native;
  }
  return nullptr;
}

// The first messages of a new window (WM_GETMINMAXINFO among them) come before
// CreateWindowEx has returned its handle: they belong to the window being made.
Win32Host::Native* Win32Host::Adopt(HWND hwnd) {
  if (Native* native = NativeOf(hwnd)) return native;
  if (creating_ == nullptr || creating_->hwnd != nullptr) return nullptr;
  creating_->hwnd = hwnd;
  return creating_;
}

void Win32Host::RegisterClasses(const WindowSpec& layout) {
  const auto registerOnce = [&](const char* name, WNDPROC procedure, int icon) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (::GetClassInfoExA(instance_, name, &windowClass)) return;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance_;
    windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = name;
    if (icon != 0) {
      windowClass.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(icon));
      windowClass.hIconSm = static_cast<HICON>(
          ::LoadImageA(instance_, MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, 0));
    }
    if (!::RegisterClassExA(&windowClass)) throw Failure("cannot register a window class");
  };
  registerOnce(layout.className, FormProc, layout.icon);
  registerOnce(kFrameClass, FrameProc, 0);
}

HFONT Win32Host::Font(Native& native, const FontSpec& font) {
  if (font.points == 0) return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  auto& slot = native.fonts[{Round(font.points * 100), font.bold}];
  if (!slot) {
    const int height = -static_cast<int>(std::lround(font.points * geometry_.Dpi() / 72.0));
    slot.reset(::CreateFontA(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "Arial"));
  }
  return slot.get();
}

// A label sized to its text: its text on one line in its font, measured now, at this DPI.
void Win32Host::SizeToText(Native& native, const ControlSpec& layout, HWND label,
                           const std::string& text) {
  WindowDc dc(label);
  if (dc.get() == nullptr) return;
  HGDIOBJ old = ::SelectObject(dc.get(), Font(native, layout.font));
  SIZE extent{};
  ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc.get(), &metrics);
  ::SelectObject(dc.get(), old);
  const PixelPlace place = geometry_.Place(layout);
  const PixelSize size = SizedToText({place.width, place.height},
                                     {extent.cx, std::max<int>(extent.cy, metrics.tmHeight)});
  ::SetWindowPos(label, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Host::CreateControlNative(const WindowSpec& window, const ControlSpec& layout) {
  if (layout.kind == ControlKind::kTimer) return;
  Native& native = natives_.at(window.id);
  HWND parent = layout.container != 0 ? native.controls.at(layout.container) : native.hwnd;
  const PixelPlace place = geometry_.Place(layout);
  const char* windowClass = "STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  switch (layout.kind) {
    case ControlKind::kButton:
      windowClass = "BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kCheckBox:
      windowClass = "BUTTON";
      style |= BS_CHECKBOX | WS_TABSTOP;  // only a run ticks the boxes, never a click
      break;
    case ControlKind::kLabel:
      style |= SS_NOPREFIX | (layout.align == Align::kRight ? SS_RIGHT : SS_LEFT);
      break;
    case ControlKind::kProgressBar:
      windowClass = PROGRESS_CLASSA;
      break;
    case ControlKind::kFrame:
      windowClass = kFrameClass;
      style |= WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::kLine:
      style |= SS_BLACKRECT;
      break;
    case ControlKind::kImage:
      style |= SS_OWNERDRAW | (layout.border ? WS_BORDER : 0);
      break;
    case ControlKind::kTimer:
      return;
  }
  // A child is destroyed with its window, so nothing made here outlives a failure below.
  HWND hwnd = ::CreateWindowExA(
      exStyle, windowClass, layout.caption, style, place.left, place.top, place.width, place.height,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance_, nullptr);
  if (hwnd == nullptr) throw Failure("cannot create control " + std::string(layout.name));
  native.controls[layout.id] = hwnd;
  ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font(native, layout.font)), FALSE);
  if (layout.kind == ControlKind::kLabel && layout.autoSize) {
    SizeToText(native, layout, hwnd, layout.caption);
  }
}

// Win32 tabs through siblings in z-order, so z-order follows the tab column of the layout.
// Labels and lines are drawn on their container's surface, beneath every windowed control.
void Win32Host::OrderForTabbing(Native& native) {
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& layout : native.layout->controls) {
    if (layout.kind != ControlKind::kTimer) order.push_back(&layout);
  }
  std::stable_sort(order.begin(), order.end(), [](const ControlSpec* a, const ControlSpec* b) {
    const auto key = [](const ControlSpec* s) {
      return std::make_tuple(Windowed(s->kind) ? 0 : 1, s->tab < 0 ? INT_MAX : s->tab);
    };
    return key(a) < key(b);
  });
  std::map<ControlId, HWND> previous;  // per container
  for (const ControlSpec* layout : order) {
    HWND hwnd = native.controls.at(layout->id);
    auto last = previous.find(layout->container);
    ::SetWindowPos(hwnd, last == previous.end() ? HWND_TOP : last->second, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous[layout->container] = hwnd;
  }
}

// The tool tips are a help, not part of the window: if the system cannot make them, the
// window goes without.
void Win32Host::AddToolTips(Native& native) {
  for (const ControlSpec& control : native.layout->controls) {
    if (control.toolTip == nullptr) continue;
    if (native.toolTip == nullptr) {
      // Owned by the window, so it is destroyed with it.
      native.toolTip = ::CreateWindowExA(
          WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, native.hwnd, nullptr, instance_, nullptr);
      if (native.toolTip == nullptr) return;
    }
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32 from Windows 2000 on
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = native.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(native.controls.at(control.id));
    tool.lpszText = const_cast<char*>(control.toolTip);
    ::SendMessageA(native.toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

// AdjustWindowRectEx predicts the frame, but the frame the system really draws can differ
// (a theme's borders), and the system keeps a new window within its largest tracking size,
// which on a small screen at a high DPI is narrower than the window: so the client area is
// measured and the window corrected until the client area is what the layout asks for.
void Win32Host::FitClientArea(Native& native) {
  const PixelSize wanted = geometry_.Client(*native.layout);
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT client{}, window{};
    if (!::GetClientRect(native.hwnd, &client) || !::GetWindowRect(native.hwnd, &window)) return;
    const PixelSize got = SizeOf(client);
    if (got == wanted) return;
    native.outer = CorrectedWindowSize(SizeOf(window), got, wanted);
    ::SetWindowPos(native.hwnd, nullptr, 0, 0, native.outer.width, native.outer.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Host::CreateWindowNative(const WindowSpec& layout) {
  RegisterClasses(layout);
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (layout.style == WindowStyle::kFixedSingle) {
    style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  } else {
    style |= WS_POPUP | WS_DLGFRAME;
  }
  const PixelSize client = geometry_.Client(layout);
  RECT frame{0, 0, client.width, client.height};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  Native& native = natives_[layout.id];
  native = Native{};
  native.layout = &layout;
  native.outer = SizeOf(frame);
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (layout.centred || (style & WS_POPUP) != 0) {
    x = (::GetSystemMetrics(SM_CXSCREEN) - native.outer.width) / 2;
    y = (::GetSystemMetrics(SM_CYSCREEN) - native.outer.height) / 2;
  }
  creating_ = &native;
  HWND hwnd =
      ::CreateWindowExA(exStyle, layout.className, layout.caption, style, x, y, native.outer.width,
                        native.outer.height, nullptr, nullptr, instance_, nullptr);
  creating_ = nullptr;
  native.hwnd = hwnd;
  if (hwnd == nullptr) throw Failure("cannot create the window");
  FitClientArea(native);
}

void Win32Host::FinishNative(const WindowSpec& layout) {
  Native& native = natives_.at(layout.id);
  OrderForTabbing(native);
  AddToolTips(native);
}

void Win32Host::ShowNative(WindowId id) {
  Native& native = natives_.at(id);
  if (native.layout->centred) {
    // Made centred already: moved only when it is not (its size was corrected after it was
    // made), since every move is a round trip to the window system before the first paint.
    RECT window;
    ::GetWindowRect(native.hwnd, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (window.left != x || window.top != y) {
      ::SetWindowPos(native.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  const bool wasVisible = ::IsWindowVisible(native.hwnd) != FALSE;
  ::ShowWindow(native.hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(native.hwnd);
  if (!wasVisible) {
    if (HWND first = ::GetNextDlgTabItem(native.hwnd, nullptr, FALSE)) ::SetFocus(first);
  }
}

// Also takes away a window that was only partly made: its controls and its tool tip go with
// it, and whatever fonts, brushes and pictures it had are deleted with its record.
void Win32Host::DestroyNative(WindowId id) noexcept {
  auto found = natives_.find(id);
  if (found == natives_.end()) return;
  Native& native = found->second;
  if (native.hwnd != nullptr) {
    for (const ControlSpec& control : native.layout->controls) {
      if (control.kind == ControlKind::kTimer) ::KillTimer(native.hwnd, control.id);
    }
    if (native.toolTip != nullptr) ::DestroyWindow(native.toolTip);
    ::DestroyWindow(native.hwnd);
  }
  natives_.erase(found);
}

void Win32Host::UpdateNative(const ControlSpec& layout, const ControlState& state) {
  for (auto& [id, native] : natives_) {
    const auto& controls = native.layout->controls;
    if (&layout < controls.data() || &layout >= controls.data() + controls.size()) continue;
    if (layout.kind == ControlKind::kTimer) {
      if (!state.enabled) {
        ::KillTimer(native.hwnd, layout.id);
      } else if (::SetTimer(native.hwnd, layout.id, static_cast<UINT>(layout.interval), nullptr) ==
                 0) {
        throw Failure("cannot start the timer");
      }
      return;
    }
    HWND hwnd = native.controls.at(layout.id);
    switch (layout.kind) {
      case ControlKind::kButton:
        ::EnableWindow(hwnd, state.enabled);
        break;
      case ControlKind::kLabel: {
        // The monitor rewrites its labels every second, mostly with the same text; a label
        // repaints on every change, so unchanged text is left alone (no flicker, less work).
        char current[512];
        const int length = ::GetWindowTextA(hwnd, current, sizeof current);
        if (static_cast<std::size_t>(length) == state.caption.size() &&
            state.caption.size() < sizeof current - 1 &&
            state.caption.compare(0, std::string::npos, current, length) == 0) {
          break;
        }
        ::SetWindowTextA(hwnd, state.caption.c_str());
        if (layout.autoSize) SizeToText(native, layout, hwnd, state.caption);
        break;
      }
      case ControlKind::kCheckBox:
        ::SendMessageA(hwnd, BM_SETCHECK, state.check != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      case ControlKind::kProgressBar: {
        PBRANGE range{};
        ::SendMessageA(hwnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        const bool newRange = range.iLow != Round(state.min) || range.iHigh != Round(state.max);
        if (newRange) {
          ::SendMessageA(hwnd, PBM_SETRANGE32, Round(state.min), Round(state.max));
          range = {Round(state.min), Round(state.max)};
        }
        // A themed bar repaints itself at once on every move, which takes milliseconds; the
        // monitor's bars mostly move by less than a pixel from one second to the next. Such a
        // move is left out (the ends of the range always get through).
        const int position = static_cast<int>(::SendMessageA(hwnd, PBM_GETPOS, 0, 0));
        const int value = Round(state.value);
        if (position != value &&
            (newRange || value == range.iLow || value == range.iHigh ||
             FilledWidth(hwnd, range, position) != FilledWidth(hwnd, range, value))) {
          ::SendMessageA(hwnd, PBM_SETPOS, value, 0);
        }
        break;
      }
      default:
        break;
    }
    return;
  }
}

void Win32Host::QuitNative() noexcept { ::PostQuitMessage(0); }

std::uintptr_t Win32Host::WindowHandle(WindowId id) {
  auto found = natives_.find(id);
  if (found == natives_.end()) throw Failure("window not loaded");
  return reinterpret_cast<std::uintptr_t>(found->second.hwnd);
}

int Win32Host::ShowMessage(const std::string& text, const std::string& title, unsigned style) {
  const int answer = ::MessageBoxA(::GetActiveWindow(), text.c_str(), title.c_str(), style);
  if (answer == 0) throw Failure("cannot show the message");
  return answer;
}

LRESULT Win32Host::ControlColour(Native& native, HDC dc, HWND control) {
  const int id = ::GetDlgCtrlID(control);
  const ControlSpec* layout = nullptr;
  for (const ControlSpec& candidate : native.layout->controls) {
    if (candidate.id == id) layout = &candidate;
  }
  ::SetTextColor(
      dc, layout != nullptr ? ColourOf(layout->fore, COLOR_BTNTEXT) : ::GetSysColor(COLOR_BTNTEXT));
  if (layout == nullptr || layout->back.kind == Colour::Kind::kDefault) {
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
  }
  ::SetBkColor(dc, ColourOf(layout->back, COLOR_BTNFACE));
  if (layout->back.kind == Colour::Kind::kSystem) {
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(static_cast<int>(layout->back.value)));
  }
  auto& brush = native.brushes[layout->id];
  if (!brush) brush.reset(::CreateSolidBrush(layout->back.value));
  return reinterpret_cast<LRESULT>(brush.get());
}

// A picture is decoded when first drawn, so that the window shows without waiting for the
// decoder, and kept at the size it is drawn: stretched over its control, or at its natural
// size grown with the DPI.
void Win32Host::DrawImage(Native& native, const DRAWITEMSTRUCT& item) {
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  const ControlSpec* layout = nullptr;
  for (const ControlSpec& control : native.layout->controls) {
    if (control.id == static_cast<ControlId>(item.CtlID)) layout = &control;
  }
  if (layout == nullptr) return;
  auto picture = native.pictures.find(layout->id);
  if (picture == native.pictures.end()) {
    Gdi<HBITMAP> decoded = LoadPictureResource(instance_, layout->picture);
    const SIZE natural = BitmapSize(decoded.get());
    const PixelSize size =
        layout->stretch ? SizeOf(item.rcItem) : geometry_.PictureSize({natural.cx, natural.cy});
    picture = native.pictures
                  .emplace(layout->id, ResizedPicture(std::move(decoded), size.width, size.height))
                  .first;
  }
  if (!picture->second) return;
  const SIZE size = BitmapSize(picture->second.get());
  MemoryDc memory(item.hDC, picture->second.get());
  if (memory.get() == nullptr) return;
  ::BitBlt(item.hDC, 0, 0, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
}

// The background picture stands at the client area's top-left corner at its natural size,
// grown with the DPI.
void Win32Host::PaintBackground(Native& native, HDC dc) {
  RECT client;
  ::GetClientRect(native.hwnd, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  if (native.layout->background == 0) return;
  if (!native.backgroundLoaded) {
    native.backgroundLoaded = true;
    Gdi<HBITMAP> decoded = LoadPictureResource(instance_, native.layout->background);
    const SIZE natural = BitmapSize(decoded.get());
    const PixelSize size = geometry_.PictureSize({natural.cx, natural.cy});
    native.background = ResizedPicture(std::move(decoded), size.width, size.height);
  }
  if (!native.background) return;
  const SIZE size = BitmapSize(native.background.get());
  MemoryDc memory(dc, native.background.get());
  if (memory.get() == nullptr) return;
  ::BitBlt(dc, 0, 0, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
}

LRESULT Win32Host::HandleFormMessage(Native& native, UINT message, WPARAM wParam, LPARAM lParam) {
  const WindowId windowId = native.layout->id;
  switch (message) {
    case WM_COMMAND: {
      // A click counts only when it comes from this window's own button of that ID; any
      // program can post a WM_COMMAND.
      if (HIWORD(wParam) != BN_CLICKED || lParam == 0) return 0;
      const ControlId id = LOWORD(wParam);
      auto control = native.controls.find(id);
      if (control != native.controls.end() && control->second == reinterpret_cast<HWND>(lParam)) {
        Click(windowId, id);
      }
      return 0;
    }
    case WM_TIMER:
      Tick(windowId, static_cast<ControlId>(wParam));
      return 0;
    case WM_CLOSE:
      Close(windowId);
      return 0;
    case WM_GETMINMAXINFO: {
      // The window may be larger than the screen (a high DPI on a small screen): it keeps
      // its laid-out size all the same, so that nothing in it is cut off.
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMaxTrackSize.x = std::max<LONG>(limits->ptMaxTrackSize.x, native.outer.width);
      limits->ptMaxTrackSize.y = std::max<LONG>(limits->ptMaxTrackSize.y, native.outer.height);
      return 0;
    }
    case WM_ERASEBKGND:
      PaintBackground(native, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ControlColour(native, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
      DrawImage(native, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    default:
      return ::DefWindowProcA(native.hwnd, message, wParam, lParam);
  }
}

// The system cannot take an exception back through its own code: a failure while handling
// a message (running out of memory for a picture, say) ends the handling of that message.
LRESULT CALLBACK Win32Host::FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  Trap([&] {
    Native* native = gHost != nullptr ? gHost->Adopt(hwnd) : nullptr;
    result = native != nullptr ? gHost->HandleFormMessage(*native, message, wParam, lParam)
                               : ::DefWindowProcA(hwnd, message, wParam, lParam);
  });
  return result;
}

// A frame paints its face, an etched border and its caption; what its controls report goes
// to the window that owns it. Nothing here can throw.
LRESULT CALLBACK Win32Host::FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT:
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
      return 0;
    case WM_GETFONT:
      return ::GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(hwnd, &paint);
      RECT area;
      ::GetClientRect(hwnd, &area);
      char caption[256] = {};
      const int length = ::GetWindowTextA(hwnd, caption, sizeof caption);
      HGDIOBJ old =
          ::SelectObject(dc, reinterpret_cast<HFONT>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
      TEXTMETRICA metrics{};
      ::GetTextMetricsA(dc, &metrics);
      RECT edge = area;
      edge.top += length > 0 ? metrics.tmHeight / 2 : 0;
      ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
      if (length > 0) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        ::SetBkMode(dc, OPAQUE);
        const int indent = gHost != nullptr ? gHost->geometry_.FromNatural(kFrameCaptionIndent)
                                            : kFrameCaptionIndent;
        ::TextOutA(dc, indent, 0, caption, length);
      }
      ::SelectObject(dc, old);
      ::EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
    case WM_NOTIFY:
      return ::SendMessageA(::GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    default:
      return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// Key preview: a window that asks for it sees every typed character before its focused
// control does. Enter and Space must not also press the focused button by themselves.
bool Win32Host::PreviewKey(MSG& message) {
  if (message.hwnd == nullptr) return false;
  Native* native = NativeOf(::GetAncestor(message.hwnd, GA_ROOT));
  if (native == nullptr || !native->layout->keyPreview) return false;
  const WindowId id = native->layout->id;
  switch (message.message) {
    case WM_KEYDOWN:
      ::TranslateMessage(&message);
      if (message.wParam != VK_SPACE && message.wParam != VK_RETURN) ::DispatchMessageA(&message);
      return true;
    case WM_KEYUP:
      return message.wParam == VK_SPACE || message.wParam == VK_RETURN;
    case WM_CHAR:
      KeyPress(id, static_cast<int>(message.wParam));
      return true;
    default:
      return false;
  }
}

// Our windows' timers have no callback, so a timer message to one of them that names a
// callback was posted by another program: dispatching it would run whatever its lParam
// points to. (The controls' own timers are the system's business.)
bool Win32Host::ForgedTimerMessage(const MSG& message) {
  return message.message == WM_TIMER && message.lParam != 0 && message.hwnd != nullptr &&
         NativeOf(message.hwnd) != nullptr;
}

int Win32Host::RunMessageLoop() {
  if (Ended()) return 0;
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (ForgedTimerMessage(message) || PreviewKey(message)) continue;
    HWND root = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && NativeOf(root) != nullptr && ::IsDialogMessageA(root, &message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace platform::win32
