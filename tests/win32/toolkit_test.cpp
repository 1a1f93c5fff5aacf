// The Win32 toolkit inside the test process, where fonts, colours, tool tips and stacking
// can be read back (GDI objects cannot be read from another process).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>

#include "app/control_ids.h"
#include "app/layouts.h"
#include "app/program.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_os.h"
#include "tests/win32/driver.h"

namespace {

using namespace app;

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
  platform::Os system_{os_, os_, os_, os_, os_};
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

}  // namespace
