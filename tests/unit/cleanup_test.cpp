// The clean-up steps and the two maintenance buttons against the fakes.
#include <string>
#include <vector>

#include "catalogue/cleanup_actions.h"
#include "tests/unit/program_fixture.h"

using namespace app::main_window;

namespace {
const std::string kCmd =
    "CreateProcess 0 C:\\WINDOWS\\system32\\cmd.exe in C:\\WINDOWS\\system32 | ";
}

using CleanupTest = ProgramTest;

TEST_F(CleanupTest, DiskAndDesktopOrder) {
  OpenMainWindow();
  catalogue::CleanDiskAndDesktop(os, os, platform::Window(toolkit, app::kMainWindow));
  std::vector<std::string> calls;
  for (const std::string& entry : os.trace) {
    if (entry != "SystemDirectory" && entry != "IsWow64Process") calls.push_back(entry);
  }
  EXPECT_EQ(calls,
            (std::vector<std::string>{kCmd + "cmd /c defrag c: -b", "SetDeskWallpaper \"\" 3",
                                      kCmd + R"(cmd /c del c:\windows\prefetch\*.* /q)",
                                      kCmd + "cmd /c Rundll32.exe advapi32.dll, ProcessIdleTasks",
                                      kCmd + "cmd /c  DISKPERF -N", kCmd + "cmd /c  CHKNTFS/T:4",
                                      kCmd + "cmd /c FSUTIL behavior set disablelastaccess 1",
                                      "OpenClipboard 65537", "EmptyClipboard", "CloseClipboard"}));
}

TEST_F(CleanupTest, RefusedFirstLineLeavesWallpaperAndClipboardAlone) {
  OpenMainWindow();
  os.FailOn("CreateProcess", 1);
  catalogue::CleanDiskAndDesktop(os, os, platform::Window(toolkit, app::kMainWindow));
  EXPECT_EQ(os.Count("SetDeskWallpaper"), 0);
  EXPECT_EQ(os.Count("OpenClipboard"), 0);
  EXPECT_EQ(os.Count("CreateProcess"), 1);
}

TEST_F(CleanupTest, WithoutAWindowHandleTheClipboardIsLeftAlone) {
  // The main window is not loaded, so its handle cannot be read.
  catalogue::CleanDiskAndDesktop(os, os, platform::Window(toolkit, app::kMainWindow));
  EXPECT_EQ(os.Count("CreateProcess"), 6);
  EXPECT_EQ(os.Count("OpenClipboard"), 0);
  catalogue::EmptyRecycleBin(os, platform::Window(toolkit, app::kMainWindow));
  EXPECT_EQ(os.Count("EmptyRecycleBin"), 0);
}

TEST_F(CleanupTest, RecycleBinAndTempFolder) {
  OpenMainWindow();
  catalogue::EmptyRecycleBin(os, platform::Window(toolkit, app::kMainWindow));
  catalogue::DeleteTempFiles(os);
  EXPECT_EQ(os.trace, (std::vector<std::string>{
                          "EmptyRecycleBin 65537 1", "SystemDirectory", "IsWow64Process",
                          kCmd + R"(cmd /c del "%systemroot%/temp"\*.* /q)"}));
}

TEST(ClearUrlHistory, Outcomes) {
  fakes::FakeOs created;
  EXPECT_TRUE(catalogue::ClearUrlHistory(created));
  EXPECT_EQ(created.trace,
            (std::vector<std::string>{"ClsidFromString {3C374A40-BAE4-11CF-BF7D-00AA006946EE}",
                                      "ClsidFromString {AFA0DC11-C313-11D0-831A-00C04FD5AE38}",
                                      "CreateUrlHistory 1", "ClearHistory", "Release"}));
  EXPECT_EQ(created.liveUrlHistories, 0);

  fakes::FakeOs refused;
  refused.createResult = static_cast<long>(0x80040154);  // class not registered
  EXPECT_FALSE(catalogue::ClearUrlHistory(refused));
  EXPECT_EQ(refused.trace.back(), "CreateUrlHistory 1");
}

TEST_F(CleanupTest, DefragStartsVisibleAndNothingElse) {
  OpenMainWindow();
  toolkit.Click(kDefragButton);
  EXPECT_EQ(os.CommandLines(), std::vector<std::string>{"cmd /c DEFRAG C:"});
  EXPECT_EQ(os.ShowStates(), std::vector<int>{1});
  os.FailOn("CreateProcess", 2);
  toolkit.Click(kDefragButton);  // a refused start ends the handler quietly
  EXPECT_TRUE(toolkit.messages.empty());
  EXPECT_TRUE(Enabled(kDefragButton));
}

TEST_F(CleanupTest, DefaultSettingsAsksFirst) {
  OpenMainWindow();
  toolkit.answers = {7, 6};  // No, then Yes
  toolkit.Click(kDefaultSettingsButton);
  ASSERT_EQ(toolkit.messages.size(), 1u);
  EXPECT_EQ(toolkit.messages[0].text,
            "Restore Default may ask for orginal operating system disk - continute");
  EXPECT_EQ(toolkit.messages[0].title, "Brisko");
  EXPECT_EQ(toolkit.messages[0].style, 4u);
  EXPECT_EQ(os.Count("CreateProcess"), 0);

  toolkit.Click(kDefaultSettingsButton);
  EXPECT_EQ(os.CommandLines(), std::vector<std::string>{"cmd /c SFC /SCANNOW"});
  EXPECT_EQ(os.ShowStates(), std::vector<int>{0});
}

TEST_F(CleanupTest, DefaultSettingsTellsTheUserWhenTheCheckCannotStart) {
  OpenMainWindow();
  toolkit.answers = {6, 1};  // Yes, then OK on the report
  os.FailOn("CreateProcess", 1);
  toolkit.Click(kDefaultSettingsButton);
  ASSERT_EQ(toolkit.messages.size(), 2u);
  EXPECT_EQ(toolkit.messages[1].title, "Brisko");
  EXPECT_NE(toolkit.messages[1].text.find("could not be started"), std::string::npos);
  EXPECT_NE(toolkit.messages[1].text.find("CreateProcess refused"), std::string::npos);
  EXPECT_TRUE(toolkit.IsLoaded(app::kMainWindow));
}
