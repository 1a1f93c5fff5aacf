// The Win32 toolkit inside the test process, where fonts, colours, tool tips, stacking and
// the pictures drawn can be read back (GDI objects and another process's drawing cannot be
// read from outside). Runs at the sandbox's DPI, which layout_test.sh also sets to 144.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/control_ids.h"
#include "app/layouts.h"
#include "app/program.h"
#include "platform/win32/pictures.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"
#include "tests/win32/driver.h"

namespace {

using namespace app;

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

// A 32-bit top-down bitmap to draw into and read back.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  DWORD At(int x, int y) const {
    ::GdiFlush();
    return static_cast<const DWORD*>(bits_)[y * width_ + x];
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// A picture resource as decoded, smoothly scaled to width x height (at its natural size
// when that is its size): what the screen should show in the picture's place.
std::unique_ptr<Canvas> Expected(int picture, int width, int height) {
  auto decoded = platform::win32::LoadPictureResource(::GetModuleHandleA(nullptr), picture);
  if (!decoded) return nullptr;
  const SIZE natural = platform::win32::BitmapSize(decoded.get());
  auto canvas = std::make_unique<Canvas>(width, height);
  HDC from = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(from, decoded.get());
  ::SetStretchBltMode(canvas->dc(), HALFTONE);
  ::SetBrushOrgEx(canvas->dc(), 0, 0, nullptr);
  ::StretchBlt(canvas->dc(), 0, 0, width, height, from, 0, 0, natural.cx, natural.cy, SRCCOPY);
  ::SelectObject(from, old);
  ::DeleteDC(from);
  return canvas;
}

SIZE NaturalSize(int picture) {
  auto decoded = platform::win32::LoadPictureResource(::GetModuleHandleA(nullptr), picture);
  return platform::win32::BitmapSize(decoded.get());
}

// How far the first width x height pixels of `drawn` are from `expected`: the mean
// difference of the colour channels (0 to 255) over a grid of samples. A picture drawn at
// the wrong size or place, unsmoothed, or not at all, is off by tens.
double Difference(const Canvas& drawn, const Canvas& expected, int width, int height) {
  constexpr int kGrid = 32;
  double total = 0;
  for (int row = 0; row < kGrid; ++row) {
    for (int column = 0; column < kGrid; ++column) {
      const int x = (2 * column + 1) * width / (2 * kGrid);
      const int y = (2 * row + 1) * height / (2 * kGrid);
      const DWORD a = drawn.At(x, y), b = expected.At(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        total +=
            std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
      }
    }
  }
  return total / (3.0 * kGrid * kGrid);
}

constexpr double kSamePicture = 3;

class Toolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    program_.Start();
    host_.Click(disclaimer::kNextButton);
    host_.ShowWindow(kDisclaimerWindow);  // both windows at once
    main_ = reinterpret_cast<HWND>(host_.WindowHandle(kMainWindow));
    disclaimer_ = reinterpret_cast<HWND>(host_.WindowHandle(kDisclaimerWindow));
  }
  void TearDown() override { host_.EndProgram(); }

  HWND Of(platform::WindowId window) { return window == kMainWindow ? main_ : disclaimer_; }

  COLORREF Background(HWND window, HWND control, COLORREF* text) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
    const COLORREF colour = ::GetBkColor(dc);
    *text = ::GetTextColor(dc);
    ::DeleteDC(dc);
    return colour;
  }

  platform::win32::Win32Os os_;
  platform::win32::Win32Files files_;
  platform::Os system_{os_, os_, os_, os_, os_, files_};
  platform::win32::Win32Host host_{::GetModuleHandleA(nullptr)};
  Program program_{host_, system_};
  HWND main_ = nullptr, disclaimer_ = nullptr;
};

TEST_F(Toolkit, FontsAreArialAtTheirSizes) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  for (const auto* layout : {&MainWindowLayout(), &DisclaimerWindowLayout()}) {
    for (const platform::ControlSpec& row : layout->controls) {
      if (row.kind == platform::ControlKind::kTimer || row.kind == platform::ControlKind::kLine ||
          row.kind == platform::ControlKind::kImage) {
        continue;
      }
      HWND control = driver::Control(Of(layout->id), row.id);
      ASSERT_NE(control, nullptr) << row.name;
      auto handle = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
      if (row.font.points == 0) {
        EXPECT_EQ(handle, ::GetStockObject(DEFAULT_GUI_FONT)) << row.name;
        continue;
      }
      LOGFONTA font{};
      ASSERT_NE(::GetObjectA(handle, sizeof font, &font), 0) << row.name;
      EXPECT_STREQ(font.lfFaceName, "Arial") << row.name;
      EXPECT_EQ(font.lfHeight, -std::lround(row.font.points * dpi / 72.0)) << row.name;
      EXPECT_EQ(font.lfWeight, row.font.bold ? FW_BOLD : FW_NORMAL) << row.name;
    }
  }
}

TEST_F(Toolkit, ColoursOfTheColouredLabels) {
  COLORREF text = 0;
  EXPECT_EQ(Background(disclaimer_, driver::Control(disclaimer_, disclaimer::kWarningLabel), &text),
            RGB(192, 0, 0));
  EXPECT_EQ(Background(main_, driver::Control(main_, main_window::kProcessorLabel), &text),
            ::GetSysColor(4));
  EXPECT_EQ(text, ::GetSysColor(8));
  EXPECT_EQ(Background(main_, driver::Control(main_, main_window::kTotalMemoryLabel), &text),
            ::GetSysColor(4));
  EXPECT_EQ(Background(main_, driver::Control(main_, main_window::kAvailableMemoryLabel), &text),
            ::GetSysColor(0));
  EXPECT_EQ(Background(main_, driver::Control(main_, main_window::kDriveTotalLabel), &text),
            ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(Toolkit, MemoryLoadLabelLiesUnderItsBar) {
  HWND bar = driver::Control(main_, main_window::kAvailableMemoryBar);
  HWND label = driver::Control(main_, main_window::kMemoryLoadLabel);
  bool below = false;
  for (HWND next = ::GetWindow(bar, GW_HWNDNEXT); next != nullptr;
       next = ::GetWindow(next, GW_HWNDNEXT)) {
    below = below || next == label;
  }
  EXPECT_TRUE(below);
}

TEST_F(Toolkit, EachButtonHasItsCaptionAsToolTip) {
  HWND tip = nullptr;
  while ((tip = ::FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) != nullptr) {
    if (::GetWindow(tip, GW_OWNER) == main_) break;
  }
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 5);
  char text[80] = {};
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = main_;
  tool.uId =
      reinterpret_cast<UINT_PTR>(driver::Control(main_, main_window::kDefaultSettingsButton));
  tool.lpszText = text;
  ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, "Default Settings");
}

// The background covers the client area from its corner at its natural size grown with the
// DPI; the badge fills its control; the spanner, inside its border, is its natural size grown
// with the DPI. Each one smoothly scaled.
TEST_F(Toolkit, PicturesFillTheirPlacesAtTheScreensDpi) {
  const int dpi = ScreenDpi();
  const auto grown = [&](int pixels) { return ::MulDiv(pixels, dpi, 96); };

  const SIZE background = NaturalSize(kPictureBackground);
  RECT client;
  ::GetClientRect(main_, &client);
  Canvas window(client.right, client.bottom);
  ::SendMessageA(main_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(window.dc()), 0);
  auto expected = Expected(kPictureBackground, grown(background.cx), grown(background.cy));
  ASSERT_NE(expected, nullptr);
  ASSERT_GE(expected->width(), client.right);  // the picture is larger than the client area
  ASSERT_GE(expected->height(), client.bottom);
  const double backgroundDifference = Difference(window, *expected, client.right, client.bottom);
  std::printf("%d DPI: background %.1f", dpi, backgroundDifference);
  EXPECT_LT(backgroundDifference, kSamePicture);

  struct Case {
    HWND window;
    platform::ControlId control;
    int picture;
    bool stretched;
  };
  for (const Case& c : {Case{main_, main_window::kBadgePicture, kPictureLogo, true},
                        Case{disclaimer_, disclaimer::kSpannerPicture, kPictureSpanner, false}}) {
    HWND control = driver::Control(c.window, c.control);
    RECT place;
    ::GetClientRect(control, &place);
    Canvas drawn(place.right, place.bottom);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = static_cast<UINT>(c.control);
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = control;
    item.hDC = drawn.dc();
    item.rcItem = place;
    ::SendMessageA(c.window, WM_DRAWITEM, static_cast<WPARAM>(c.control),
                   reinterpret_cast<LPARAM>(&item));
    const SIZE natural = NaturalSize(c.picture);
    const int width = c.stretched ? place.right : grown(natural.cx);
    const int height = c.stretched ? place.bottom : grown(natural.cy);
    ASSERT_LE(width, place.right) << c.picture;
    ASSERT_LE(height, place.bottom) << c.picture;
    auto picture = Expected(c.picture, width, height);
    ASSERT_NE(picture, nullptr);
    const double difference = Difference(drawn, *picture, width, height);
    std::printf(", picture %d %.1f", c.picture, difference);
    EXPECT_LT(difference, kSamePicture) << "picture " << c.picture;
  }
  std::printf(" (mean colour difference from the picture smoothly scaled)\n");
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ThreadWindows() {
  int count = 0;
  ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// A window whose making fails half-way (here its third control names a frame that is not
// there) is taken away whole: no window, control or tool tip of it is left.
TEST_F(Toolkit, HalfMadeWindowLeavesNoWindowBehind) {
  const platform::ControlSpec controls[] = {
      {.id = 7001, .kind = platform::ControlKind::kFrame, .width = 1500, .height = 1500},
      {.id = 7002,
       .kind = platform::ControlKind::kButton,
       .container = 7001,
       .width = 900,
       .height = 300,
       .caption = "Tip",
       .toolTip = "Tip"},
      {.id = 7003, .kind = platform::ControlKind::kLabel, .container = 7999}};
  const platform::WindowSpec layout{.id = 70,
                                    .className = "BriskoHalfMade",
                                    .clientWidth = 3000,
                                    .clientHeight = 3000,
                                    .controls = controls};
  platform::WindowLogic logic;
  host_.Register(layout, logic);
  const int before = ThreadWindows();
  EXPECT_THROW(host_.ShowWindow(70), std::exception);
  EXPECT_FALSE(host_.IsLoaded(70));
  EXPECT_EQ(::FindWindowA("BriskoHalfMade", nullptr), nullptr);
  EXPECT_EQ(ThreadWindows(), before);
}

}  // namespace
