// Both windows of brisko.exe as they stand on a screen of the sandbox's DPI (set by
// layout_test.sh, which runs this at 96 and 144 DPI): the client areas and every control at
// their laid-out places grown with the DPI, and every label's text inside its label on no
// more lines than at 96 DPI. Read from outside, as a user's screen shows them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/control_ids.h"
#include "app/layouts.h"
#include "tests/win32/driver.h"

namespace {

using namespace app;
using platform::ControlKind;
using platform::ControlSpec;

constexpr const char* kMain = "BriskoMainWindow";
constexpr int kSlack = 2;  // pixels: rounding of a place and of its container's place

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

int Pixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

// How a label lays out its text: the static control's own wrapping rules, in the label's
// font, at the given DPI and width.
struct TextBlock {
  int width = 0, height = 0, lines = 0;
};

TextBlock Wrapped(const ControlSpec& layout, const std::string& text, int dpi, int width) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HFONT font = ::CreateFontA(-static_cast<int>(std::lround(layout.font.points * dpi / 72.0)), 0, 0,
                             0, layout.font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "Arial");
  HGDIOBJ old = ::SelectObject(dc, font);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  RECT area{0, 0, width, 0};
  ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::DeleteDC(dc);
  return {area.right, area.bottom, metrics.tmHeight > 0 ? area.bottom / metrics.tmHeight : 0};
}

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    dpi_ = ScreenDpi();
    if (const char* expected = std::getenv("BRISKO_EXPECTED_DPI")) {
      ASSERT_EQ(dpi_, std::atoi(expected)) << "the sandbox's DPI did not take";
    }
    disclaimer_ = driver::StartBrisko(&process_);
    ASSERT_NE(disclaimer_, nullptr) << "the disclaimer window did not appear";
  }

  void TearDown() override { driver::EndBrisko(&process_); }

  void ExpectClientArea(HWND window, const platform::WindowSpec& layout) {
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, Pixels(layout.clientWidth, dpi_)) << layout.className;
    EXPECT_EQ(client.bottom, Pixels(layout.clientHeight, dpi_)) << layout.className;
  }

  // Every control at its laid-out place grown with the DPI; a label sized to its text may be
  // larger, by no more than its text needs.
  void ExpectPlaces(HWND window, const platform::WindowSpec& layout) {
    for (const ControlSpec& row : layout.controls) {
      if (row.kind == ControlKind::kTimer) continue;
      HWND control = driver::Control(window, row.id);
      ASSERT_NE(control, nullptr) << row.name;
      const RECT place = driver::Place(control);
      const bool line = row.kind == ControlKind::kLine;
      const int width = Pixels(line ? row.width - row.left : row.width, dpi_);
      const int height = line ? ::MulDiv(1, dpi_, 96) : Pixels(row.height, dpi_);
      EXPECT_NEAR(place.left, Pixels(row.left, dpi_), kSlack) << row.name;
      EXPECT_NEAR(place.top, Pixels(row.top, dpi_), kSlack) << row.name;
      if (row.autoSize) {
        const TextBlock text = Wrapped(row, driver::Text(control), dpi_, 10000);
        EXPECT_GE(place.right - place.left, width - kSlack) << row.name;
        EXPECT_LE(place.right - place.left, std::max(width, text.width) + kSlack) << row.name;
        EXPECT_GE(place.bottom - place.top, height - kSlack) << row.name;
        EXPECT_LE(place.bottom - place.top, std::max(height, text.height) + kSlack) << row.name;
      } else {
        EXPECT_NEAR(place.right - place.left, width, kSlack) << row.name;
        EXPECT_NEAR(place.bottom - place.top, height, kSlack) << row.name;
      }
    }
  }

  // Each label shows all of its text: wrapped at the label's width it takes no more height
  // than the label has, and no more lines than it takes at 96 DPI in the label laid out
  // for 96 DPI.
  void ExpectLabelsFit(HWND window, const platform::WindowSpec& layout) {
    for (const ControlSpec& row : layout.controls) {
      if (row.kind != ControlKind::kLabel) continue;
      HWND label = driver::Control(window, row.id);
      ASSERT_NE(label, nullptr) << row.name;
      const std::string text = driver::Text(label);
      if (text.empty()) continue;
      RECT client;
      ::GetClientRect(label, &client);
      const TextBlock here = Wrapped(row, text, dpi_, client.right);
      const TextBlock at96 = Wrapped(row, text, 96, ::MulDiv(row.width, 96, 1440));
      EXPECT_LE(here.height, client.bottom) << row.name << ": \"" << text << "\"";
      EXPECT_LE(here.lines, std::max(at96.lines, 1)) << row.name << ": \"" << text << "\"";
      if (row.autoSize) {
        EXPECT_EQ(here.lines, 1) << row.name;
      }
    }
  }

  int dpi_ = 96;
  PROCESS_INFORMATION process_{};
  HWND disclaimer_ = nullptr;
};

TEST_F(Layout, DisclaimerWindowGrowsWithTheDpi) {
  ExpectClientArea(disclaimer_, DisclaimerWindowLayout());
  ExpectPlaces(disclaimer_, DisclaimerWindowLayout());
  ExpectLabelsFit(disclaimer_, DisclaimerWindowLayout());
}

TEST_F(Layout, MainWindowGrowsWithTheDpi) {
  driver::Click(driver::Control(disclaimer_, disclaimer::kNextButton));
  HWND main = driver::WaitWindow(kMain);
  ASSERT_NE(main, nullptr);
  // The monitor's figures are labels too: wait for its first tick to fill them.
  HWND driveUsed = driver::Control(main, main_window::kDriveUsedLabel);
  ASSERT_TRUE(driver::WaitFor([&] { return !driver::Text(driveUsed).empty(); }, driver::kPatienceMs,
                              "the first monitor tick"));
  ExpectClientArea(main, MainWindowLayout());
  ExpectPlaces(main, MainWindowLayout());
  ExpectLabelsFit(main, MainWindowLayout());
}

}  // namespace
