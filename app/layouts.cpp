// Both windows as the designer laid them out. Twips from the container's top-left corner.
#include "app/layouts.h"

#include <array>

#include "app/control_ids.h"
#include "brisko_version.h"

namespace app {
namespace {

// Both windows show the version: the one of project() in CMakeLists.txt.
constexpr const char* kVersionText = "Version : " BRISKO_VERSION;

using platform::Align;
using platform::Colour;
using platform::ControlKind;
using platform::ControlSpec;
using platform::FontSpec;
using platform::Rgb;
using platform::SystemColour;

constexpr FontSpec kButtonFont{8.25f, false};
constexpr FontSpec kCaptionFont{9.75f, true};
constexpr FontSpec kValueFont{9.75f, false};
constexpr FontSpec kSmallFont{8.25f, false};
constexpr Colour kMenuColour = SystemColour(4);
constexpr Colour kScrollBarColour = SystemColour(0);
constexpr Colour kWindowTextColour = SystemColour(8);

constexpr ControlSpec Button(platform::ControlId id, const char* name, const char* caption, int top,
                             int tab) {
  return {.id = id,
          .name = name,
          .kind = ControlKind::kButton,
          .left = 8880,
          .top = top,
          .width = 2175,
          .height = 290,
          .caption = caption,
          .font = kButtonFont,
          .tab = tab,
          .toolTip = caption};
}

// A line from (x1, y1) to (x2, y2) in its container's twips. The table row keeps the far
// end in the width and height fields, which is how the toolkit reads a line's row.
constexpr ControlSpec Line(platform::ControlId id, const char* name, platform::ControlId container,
                           int x1, int y1, int x2, int y2) {
  return {.id = id,
          .name = name,
          .kind = ControlKind::kLine,
          .container = container,
          .left = x1,
          .top = y1,
          .width = x2,
          .height = y2};
}

constexpr ControlSpec Category(int row, platform::ControlId label, const char* name,
                               const char* caption, int width, int height, int tab) {
  return {.id = label,
          .name = name,
          .kind = ControlKind::kLabel,
          .container = main_window::kCategoryFrame,
          .left = 240,
          .top = 720 + 360 * row,
          .width = width,
          .height = height,
          .caption = caption,
          .font = {9.75f, row % 2 == 0},
          .tab = tab};
}

constexpr ControlSpec Box(int row, int tab) {
  return {.id = main_window::kFirstCategoryBox + row,
          .name = "CategoryBox",
          .kind = ControlKind::kCheckBox,
          .container = main_window::kCategoryFrame,
          .left = 2520,
          .top = 720 + 360 * row,
          .width = 255,
          .height = 255,
          .tab = tab};
}

constexpr ControlSpec MonitorLabel(platform::ControlId id, const char* name, const char* caption,
                                   int left, int top, int width, int height, FontSpec font,
                                   int tab) {
  return {.id = id,
          .name = name,
          .kind = ControlKind::kLabel,
          .container = main_window::kMonitorFrame,
          .left = left,
          .top = top,
          .width = width,
          .height = height,
          .caption = caption,
          .font = font,
          .tab = tab};
}

constexpr ControlSpec WithColours(ControlSpec control, Colour back, Colour fore = {}) {
  control.back = back;
  control.fore = fore;
  return control;
}

constexpr ControlSpec Bar(platform::ControlId id, const char* name, platform::ControlId container,
                          int left, int top, int width, int height, int tab, float max) {
  return {.id = id,
          .name = name,
          .kind = ControlKind::kProgressBar,
          .container = container,
          .left = left,
          .top = top,
          .width = width,
          .height = height,
          .tab = tab,
          .barMax = max};
}

constexpr std::array kMainWindowControls = {
    // Frames come first: the controls inside them need their container to exist.
    ControlSpec{.id = main_window::kMonitorFrame,
                .name = "MonitorFrame",
                .kind = ControlKind::kFrame,
                .left = 120,
                .top = 120,
                .width = 5655,
                .height = 5310,
                .tab = 7},
    ControlSpec{.id = main_window::kCategoryFrame,
                .name = "CategoryFrame",
                .kind = ControlKind::kFrame,
                .left = 5880,
                .top = 120,
                .width = 2895,
                .height = 5310,
                .caption = kVersionText,
                .tab = 20},
    Button(main_window::kOptimizeButton, "OptimizeButton", "Optimize", 3360, 1),
    Button(main_window::kDefaultSettingsButton, "DefaultSettingsButton", "Default Settings", 3720,
           2),
    Button(main_window::kDefragButton, "DefragButton", "Defrag", 4080, 3),
    Button(main_window::kDisclaimerButton, "DisclaimerButton", "Disclaimer", 4800, 5),
    Button(main_window::kExitButton, "ExitButton", "Exit", 5160, 6),
    ControlSpec{.id = main_window::kBadgePicture,
                .name = "BadgePicture",
                .kind = ControlKind::kImage,
                .left = 8880,
                .top = 120,
                .width = 2175,
                .height = 3135,
                .picture = kPictureLogo,
                .stretch = true},
    Bar(main_window::kRunProgressBar, "RunProgressBar", 0, 120, 5520, 10935, 495, 0, 100),
    // Category frame.
    Category(0, main_window::kTuneRegistryLabel, "TuneRegistryLabel", "Tune/Clean Registry", 2295,
             255, 21),
    Box(0, 22),
    Category(1, main_window::kReduceShutdownTimeLabel, "ReduceShutdownTimeLabel",
             "Reduce Shutdown Time", 2175, 255, 23),
    Box(1, 26),
    Category(2, main_window::kCleanUpHarddiskLabel, "CleanUpHarddiskLabel", "Clean Up Harddisk",
             1815, 255, 25),
    Box(2, 27),
    Category(3, main_window::kBoostInternetSpeedLabel, "BoostInternetSpeedLabel",
             "Boost Internet Speed", 2775, 255, 24),
    Box(3, 28),
    Category(4, main_window::kImproveBootTimeLabel, "ImproveBootTimeLabel", "Improve Boot Time",
             1815, 375, 30),
    Box(4, 29),
    Category(5, main_window::kTuneMemoryLabel, "TuneMemoryLabel", "Tune Memory", 1575, 255, 32),
    Box(5, 31),
    Category(6, main_window::kImproveSecurityLabel, "ImproveSecurityLabel", "Improve Security",
             1815, 255, 34),
    Box(6, 33),
    Category(7, main_window::kFreeUpResourcesLabel, "FreeUpResourcesLabel", "Free Up Resources",
             2055, 255, 35),
    Box(7, 36),
    Category(8, main_window::kProtectWebBrowsersLabel, "ProtectWebBrowsersLabel",
             "Protect Web Browsers", 2175, 255, 37),
    Box(8, 38),
    Category(9, main_window::kEnhancePrivacyLabel, "EnhancePrivacyLabel", "Enhance Privacy", 2175,
             255, 39),
    Box(9, 40),
    Category(10, main_window::kOptimizePerformanceLabel, "OptimizePerformanceLabel",
             "Optimize Performance", 2415, 255, 41),
    Box(10, 42),
    // Monitor frame.
    MonitorLabel(main_window::kProcessorCaption, "ProcessorCaption", "CPU : ", 120, 240, 615, 255,
                 kCaptionFont, 43),
    WithColours(MonitorLabel(main_window::kProcessorLabel, "ProcessorLabel", "", 840, 240, 4695,
                             375, kSmallFont, 13),
                kMenuColour, kWindowTextColour),
    MonitorLabel(main_window::kVersionCaption, "VersionCaption", "OS VER :", 120, 600, 975, 255,
                 kCaptionFont, 44),
    MonitorLabel(main_window::kVersionLabel, "VersionLabel", "", 1320, 600, 4095, 255, kSmallFont,
                 19),
    Line(main_window::kSystemMemorySeparator, "SystemMemorySeparator", main_window::kMonitorFrame,
         0, 960, 6240, 960),
    MonitorLabel(main_window::kTotalMemoryCaption, "TotalMemoryCaption",
                 "Total Physical Memory :", 120, 1320, 2415, 255, kCaptionFont, 45),
    WithColours(MonitorLabel(main_window::kTotalMemoryLabel, "TotalMemoryLabel", "", 2520, 1320,
                             2895, 255, kValueFont, 8),
                kMenuColour),
    MonitorLabel(main_window::kAvailableMemoryCaption, "AvailableMemoryCaption",
                 "Available Physical Memory :", 120, 1800, 2775, 255, kCaptionFont, 46),
    WithColours(MonitorLabel(main_window::kAvailableMemoryLabel, "AvailableMemoryLabel", "", 3000,
                             1800, 2295, 255, kValueFont, 9),
                kScrollBarColour),
    Bar(main_window::kAvailableMemoryBar, "AvailableMemoryBar", main_window::kMonitorFrame, 120,
        2040, 5415, 255, 12, 1000000),
    WithColours(MonitorLabel(main_window::kMemoryLoadLabel, "MemoryLoadLabel", "", 1800, 2040, 3735,
                             255, kValueFont, 10),
                kMenuColour),
    MonitorLabel(main_window::kMemoryLoadCaption, "MemoryLoadCaption", "Memory Used : ", 120, 2280,
                 1575, 255, kCaptionFont, 47),
    Bar(main_window::kMemoryLoadBar, "MemoryLoadBar", main_window::kMonitorFrame, 120, 2520, 5415,
        255, 11, 100),
    Line(main_window::kMemoryDriveSeparator, "MemoryDriveSeparator", main_window::kMonitorFrame, 0,
         3000, 5640, 3000),
    // "Hardisk" (here and below) is the program's own spelling, which its users know: keep it.
    MonitorLabel(main_window::kDriveTotalCaption, "DriveTotalCaption",
                 "Total Hardisk Space : ", 120, 3240, 2175, 255, kCaptionFont, 48),
    MonitorLabel(main_window::kDriveTotalLabel, "DriveTotalLabel", "", 2280, 3240, 3015, 255,
                 kValueFont, 14),
    MonitorLabel(main_window::kDriveFreeCaption, "DriveFreeCaption", "Available Harddisk : ", 120,
                 3600, 2055, 255, kCaptionFont, 49),
    MonitorLabel(main_window::kDriveFreeLabel, "DriveFreeLabel", "", 2280, 3600, 2655, 255,
                 kValueFont, 16),
    Bar(main_window::kDriveFreeBar, "DriveFreeBar", main_window::kMonitorFrame, 120, 3840, 5415,
        255, 15, 100),
    MonitorLabel(main_window::kDriveUsedCaption, "DriveUsedCaption", "Hardisk Used : ", 120, 4080,
                 1455, 255, kCaptionFont, 50),
    MonitorLabel(main_window::kDriveUsedLabel, "DriveUsedLabel", "", 1680, 4080, 3735, 255,
                 kValueFont, 17),
    Bar(main_window::kDriveUsedBar, "DriveUsedBar", main_window::kMonitorFrame, 120, 4320, 5415,
        255, 18, 100),
    // Timers.
    ControlSpec{.id = main_window::kMonitorTimer,
                .name = "MonitorTimer",
                .kind = ControlKind::kTimer,
                .interval = 1000,
                .enabled = true},
    ControlSpec{.id = main_window::kRunProgressTimer,
                .name = "RunProgressTimer",
                .kind = ControlKind::kTimer,
                .interval = 100,
                .enabled = false},
};

constexpr platform::WindowSpec kMainWindowSpec{
    .id = kMainWindow,
    .className = kMainWindowClass,
    .caption = "Brisko",
    .style = platform::WindowStyle::kFixedSingle,
    .clientWidth = 11175,
    .clientHeight = 6195,
    .icon = kIconMain,
    .background = kPictureBackground,
    .controls = kMainWindowControls,
};

// Paragraph A: the run of 258 blanks pushes its last sentence down a few lines when the
// label wraps.
constexpr std::string_view kParagraphAHead =
    "Brisko has been developed to get the very best out of your XP or 2000 operating system, "
    "this utility is used by many schools, colleges and universities  through out the UK to "
    "maximize their investment in IT. Brisko tweaks over 500 registry setting at a click of a "
    "single button to bet the very best of your computer, this approach comes at a cost on "
    "some machines wallpapers and colour schemes may change, this can be easily changed back "
    "at a later date.";
constexpr std::string_view kParagraphATail =
    "The lack of complex settings makes Brisko accessible to even the novice user.";
constexpr std::size_t kParagraphABlanks = 258;
constexpr std::size_t kParagraphALength =
    kParagraphAHead.size() + kParagraphABlanks + kParagraphATail.size();

constexpr auto MakeParagraphA() {
  std::array<char, kParagraphALength + 1> text{};
  std::size_t at = 0;
  for (char c : kParagraphAHead) text[at++] = c;
  for (std::size_t i = 0; i < kParagraphABlanks; ++i) text[at++] = ' ';
  for (char c : kParagraphATail) text[at++] = c;
  return text;
}
constexpr auto kParagraphA = MakeParagraphA();

constexpr char kParagraphB[] =
    "Brisko tweaks over 500 factory settings of Microsofts Windows XP,  Brisko  attempts to "
    "squeeze every last drop of performance out of your PC, this may alter the look and feel "
    "of the operating system.";

constexpr std::array kDisclaimerControls = {
    ControlSpec{.id = disclaimer::kOuterFrame,
                .name = "OuterFrame",
                .kind = ControlKind::kFrame,
                .left = 120,
                .top = 60,
                .width = 7320,
                .height = 5115,
                .tab = 0},
    ControlSpec{.id = disclaimer::kProductNameLabel,
                .name = "ProductNameLabel",
                .kind = ControlKind::kLabel,
                .container = disclaimer::kOuterFrame,
                .left = 240,
                .top = 240,
                .width = 2415,
                .height = 765,
                .caption = "Brisko",
                .font = {32.25f, true},
                .tab = 2,
                .autoSize = true},
    ControlSpec{.id = disclaimer::kSpannerPicture,
                .name = "SpannerPicture",
                .kind = ControlKind::kImage,
                .container = disclaimer::kOuterFrame,
                .left = 6240,
                .top = 240,
                .width = 780,
                .height = 780,
                .picture = kPictureSpanner,
                .border = true},
    ControlSpec{.id = disclaimer::kPleaseReadFrame,
                .name = "PleaseReadFrame",
                .kind = ControlKind::kFrame,
                .container = disclaimer::kOuterFrame,
                .left = 240,
                .top = 960,
                .width = 6855,
                .height = 3495,
                .caption = " Please Read",
                .font = {14.25f, true},
                .tab = 4},
    ControlSpec{.id = disclaimer::kNoticeLabel,
                .name = "NoticeLabel",
                .kind = ControlKind::kLabel,
                .container = disclaimer::kPleaseReadFrame,
                .left = 120,
                .top = 480,
                .width = 6495,
                .height = 1935,
                .caption = kParagraphA.data(),
                .font = kSmallFont,
                .tab = 5},
    ControlSpec{.id = disclaimer::kWarningLabel,
                .name = "WarningLabel",
                .kind = ControlKind::kLabel,
                .container = disclaimer::kPleaseReadFrame,
                .left = 120,
                .top = 2400,
                .width = 6615,
                .height = 855,
                .caption = kParagraphB,
                .font = kSmallFont,
                .tab = 6,
                .back = Rgb(192, 0, 0)},
    ControlSpec{.id = disclaimer::kVersionLabel,
                .name = "VersionLabel",
                .kind = ControlKind::kLabel,
                .container = disclaimer::kOuterFrame,
                .left = 240,
                .top = 4680,
                .width = 1620,
                .height = 285,
                .caption = kVersionText,
                .font = {12.0f, true},
                .tab = 1,
                .align = Align::kRight,
                .autoSize = true},
    ControlSpec{.id = disclaimer::kNextButton,
                .name = "NextButton",
                .kind = ControlKind::kButton,
                .container = disclaimer::kOuterFrame,
                .left = 5760,
                .top = 4680,
                .width = 1335,
                .height = 290,
                .caption = "Next",
                .font = {8.25f, true},
                .tab = 3},
};

constexpr platform::WindowSpec kDisclaimerWindowSpec{
    .id = kDisclaimerWindow,
    .className = kDisclaimerWindowClass,
    .caption = "",
    .style = platform::WindowStyle::kDialogNoTitleBar,
    .clientWidth = 7530,
    .clientHeight = 5325,
    .centred = true,
    .keyPreview = true,
    .controls = kDisclaimerControls,
};

}  // namespace

const platform::WindowSpec& MainWindowLayout() { return kMainWindowSpec; }
const platform::WindowSpec& DisclaimerWindowLayout() { return kDisclaimerWindowSpec; }
std::string_view DisclaimerParagraphA() { return {kParagraphA.data(), kParagraphALength}; }
std::string_view DisclaimerParagraphB() { return kParagraphB; }

}  // namespace app
