// Stable IDs of both windows and their controls; black-box tests find controls by them.
#pragma once

#include "app/resource_ids.h"
#include "platform/toolkit.h"

namespace app {

inline constexpr platform::WindowId kMainWindow = 1;
inline constexpr platform::WindowId kDisclaimerWindow = 2;

inline constexpr char kMainWindowClass[] = "BriskoMainWindow";
inline constexpr char kDisclaimerWindowClass[] = "BriskoDisclaimer";

namespace main_window {
// Buttons.
inline constexpr platform::ControlId kOptimizeButton = 101;
inline constexpr platform::ControlId kExitButton = 102;
inline constexpr platform::ControlId kDisclaimerButton = 103;
inline constexpr platform::ControlId kDefragButton = 104;
inline constexpr platform::ControlId kDefaultSettingsButton = 106;

// Progress bars: the run's, then the monitor panel's.
inline constexpr platform::ControlId kRunProgressBar = 111;
inline constexpr platform::ControlId kAvailableMemoryBar = 112;
inline constexpr platform::ControlId kMemoryLoadBar = 113;
inline constexpr platform::ControlId kDriveFreeBar = 114;
inline constexpr platform::ControlId kDriveUsedBar = 115;

// The monitor panel's figures.
inline constexpr platform::ControlId kTotalMemoryLabel = 201;
inline constexpr platform::ControlId kAvailableMemoryLabel = 202;
inline constexpr platform::ControlId kMemoryLoadLabel = 203;
inline constexpr platform::ControlId kProcessorLabel = 204;
inline constexpr platform::ControlId kDriveTotalLabel = 205;
inline constexpr platform::ControlId kDriveFreeLabel = 206;
inline constexpr platform::ControlId kDriveUsedLabel = 207;
inline constexpr platform::ControlId kVersionLabel = 208;

// The category names beside the boxes.
inline constexpr platform::ControlId kTuneRegistryLabel = 209;
inline constexpr platform::ControlId kTuneMemoryLabel = 210;
inline constexpr platform::ControlId kReduceShutdownTimeLabel = 211;
inline constexpr platform::ControlId kBoostInternetSpeedLabel = 212;
inline constexpr platform::ControlId kCleanUpHarddiskLabel = 213;
inline constexpr platform::ControlId kImproveBootTimeLabel = 214;
inline constexpr platform::ControlId kImproveSecurityLabel = 215;
inline constexpr platform::ControlId kFreeUpResourcesLabel = 216;
inline constexpr platform::ControlId kProtectWebBrowsersLabel = 217;
inline constexpr platform::ControlId kEnhancePrivacyLabel = 218;
inline constexpr platform::ControlId kOptimizePerformanceLabel = 219;

// The monitor panel's captions in front of its figures.
inline constexpr platform::ControlId kProcessorCaption = 220;
inline constexpr platform::ControlId kVersionCaption = 221;
inline constexpr platform::ControlId kTotalMemoryCaption = 222;
inline constexpr platform::ControlId kAvailableMemoryCaption = 223;
inline constexpr platform::ControlId kMemoryLoadCaption = 224;
inline constexpr platform::ControlId kDriveTotalCaption = 225;
inline constexpr platform::ControlId kDriveFreeCaption = 226;
inline constexpr platform::ControlId kDriveUsedCaption = 227;

// The category boxes, one ID each from the first on, top to bottom.
inline constexpr platform::ControlId kFirstCategoryBox = 300;
inline constexpr int kCategoryBoxCount = 11;

inline constexpr platform::ControlId kMonitorFrame = 401;
inline constexpr platform::ControlId kCategoryFrame = 402;
inline constexpr platform::ControlId kBadgePicture = 411;
inline constexpr platform::ControlId kMemoryDriveSeparator = 421;
inline constexpr platform::ControlId kSystemMemorySeparator = 422;
inline constexpr platform::ControlId kMonitorTimer = 501;
inline constexpr platform::ControlId kRunProgressTimer = 502;
}  // namespace main_window

namespace disclaimer {
inline constexpr platform::ControlId kNextButton = 1101;
inline constexpr platform::ControlId kNoticeLabel = 1201;
inline constexpr platform::ControlId kWarningLabel = 1202;
inline constexpr platform::ControlId kOuterFrame = 1401;
inline constexpr platform::ControlId kPleaseReadFrame = 1402;
inline constexpr platform::ControlId kSpannerPicture = 1411;
inline constexpr platform::ControlId kProductNameLabel = 1601;
inline constexpr platform::ControlId kVersionLabel = 1602;
}  // namespace disclaimer

// Picture resources: their numbers are shared with assets/brisko.rc.
inline constexpr int kIconMain = BRISKO_ICON_MAIN;
inline constexpr int kPictureBackground = BRISKO_PICTURE_BACKGROUND;
inline constexpr int kPictureLogo = BRISKO_PICTURE_LOGO;
inline constexpr int kPictureSpanner = BRISKO_PICTURE_SPANNER;

}  // namespace app
