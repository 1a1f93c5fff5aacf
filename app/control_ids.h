// Stable IDs of both windows and their controls; black-box tests find controls by them.
#pragma once

#include "platform/toolkit.h"

namespace app {

inline constexpr platform::WindowId kForm1 = 1;
inline constexpr platform::WindowId kFrmSplash = 2;

inline constexpr char kForm1Class[] = "BriskoMainWindow";
inline constexpr char kFrmSplashClass[] = "BriskoDisclaimer";

namespace form1 {
inline constexpr platform::ControlId kCommand1 = 101;                 // Optimize
inline constexpr platform::ControlId kCommand2 = 102;                 // Exit
inline constexpr platform::ControlId kCommand3 = 103;                 // Disclaimer
inline constexpr platform::ControlId kCommand4 = 104;                 // Defrag
inline constexpr platform::ControlId kCommand6 = 106;                 // Default Settings
constexpr platform::ControlId ProgressBar(int n) { return 110 + n; }  // 1 .. 5
constexpr platform::ControlId Label(int n) { return 200 + n; }        // 1 .. 27
inline constexpr platform::ControlId kCheck1 = 300;                   // Check1(0) .. (10)
inline constexpr int kCheck1Count = 11;
inline constexpr platform::ControlId kFrame1 = 401;
inline constexpr platform::ControlId kFrame2 = 402;
inline constexpr platform::ControlId kImage1 = 411;
inline constexpr platform::ControlId kLine1 = 421;
inline constexpr platform::ControlId kLine2 = 422;
inline constexpr platform::ControlId kTimer1 = 501;
inline constexpr platform::ControlId kTimer2 = 502;
}  // namespace form1

namespace splash {
inline constexpr platform::ControlId kCommand1 = 1101;  // Next
inline constexpr platform::ControlId kLabel1 = 1201;
inline constexpr platform::ControlId kLabel2 = 1202;
inline constexpr platform::ControlId kFrame1 = 1401;
inline constexpr platform::ControlId kFrame2 = 1402;
inline constexpr platform::ControlId kImage1 = 1411;
inline constexpr platform::ControlId kLblProductName = 1601;
inline constexpr platform::ControlId kLblVersion = 1602;
}  // namespace splash

// Picture resources (see assets/brisko.rc).
inline constexpr int kIconMain = 1;
inline constexpr int kPictureBackground = 10;
inline constexpr int kPictureLogo = 11;
inline constexpr int kPictureSpanner = 12;

}  // namespace app
