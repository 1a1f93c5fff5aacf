// "Optimize" from the click to rest: the run controller's order and traps, and the
// progress display's course.
#include <string>
#include <vector>

#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"
#include "tests/unit/program_fixture.h"

using namespace app::main_window;

namespace {
const std::string kCmd =
    "CreateProcess 0 C:\\WINDOWS\\system32\\cmd.exe in C:\\WINDOWS\\system32 | ";
const std::string kFirstServiceLine = kCmd + std::string(catalogue::kServiceLines.front());
}  // namespace

using RunTest = ProgramTest;

TEST_F(RunTest, ClickDisablesButtonsAndStartsTimerBeforeTheFirstLine) {
  OpenMainWindow();
  toolkit.Click(kOptimizeButton);
  // The settings the run replaces are saved first, the file written before anything changes.
  ASSERT_GE(First("WriteNewFile"), 0);
  EXPECT_LT(First("WriteNewFile"), First("Enabled"));
  const auto begin = os.trace.begin() + First("Enabled");
  const std::vector<std::string> start(begin, begin + 7);
  EXPECT_EQ(start, (std::vector<std::string>{"Enabled 101 0", "Enabled 102 0", "Enabled 103 0",
                                             "Enabled 104 0", "Enabled 106 0", "Enabled 502 1",
                                             "SystemDirectory"}));
  // A disabled button ignores the next click: no second run.
  const std::size_t calls = os.trace.size();
  toolkit.Click(kOptimizeButton);
  EXPECT_EQ(os.trace.size(), calls);
}

TEST_F(RunTest, StepsComeInTheirOrder) {
  OpenMainWindow();
  toolkit.Click(kOptimizeButton);
  const auto lines = os.CommandLines();
  ASSERT_EQ(lines.size(), 74u);
  EXPECT_EQ(lines[0], "cmd /c defrag c: -b");
  EXPECT_EQ(lines[5], "cmd /c FSUTIL behavior set disablelastaccess 1");
  EXPECT_EQ(lines[6], catalogue::kServiceLines.front());
  EXPECT_EQ(lines[72], catalogue::kServiceLines.back());
  EXPECT_EQ(lines[73], R"(cmd /c del "%systemroot%/temp"\*.* /q)");
  EXPECT_EQ(os.ShowStates(), std::vector<int>(74, 0));  // every line hidden

  EXPECT_LT(Last("CloseClipboard"), First(kFirstServiceLine));
  EXPECT_LT(Last(kCmd + "cmd /c sc config WmiApSrv"), First("CreateKey"));
  EXPECT_LT(Last("CloseKey"), First("EmptyRecycleBin"));
  EXPECT_LT(First("EmptyRecycleBin"), First(kCmd + "cmd /c del \""));
  EXPECT_LT(Last("CreateProcess"), First("ClsidFromString"));
  EXPECT_EQ(os.trace.back(), "Release");
  EXPECT_EQ(os.Count("SetValue"), 49);
}

TEST_F(RunTest, RefusedServiceLineEndsThatStepOnly) {
  OpenMainWindow();
  os.FailOn("CreateProcess", 6 + 10);  // service entry 10
  toolkit.Click(kOptimizeButton);
  const auto lines = os.CommandLines();
  // Entries 1 to 9 started, entry 10 refused, 11 to 67 never tried; the temp line follows.
  ASSERT_EQ(lines.size(), 6u + 10u + 1u);
  EXPECT_EQ(lines[14], catalogue::kServiceLines[8]);
  EXPECT_EQ(os.Count("SetValue"), 49);
  EXPECT_EQ(os.Count("EmptyRecycleBin"), 1);
  EXPECT_EQ(os.trace.back(), "Release");
}

TEST_F(RunTest, RegistryFailureEndsThatStepOnly) {
  OpenMainWindow();
  os.FailOn("SetValue", 5);
  toolkit.Click(kOptimizeButton);
  EXPECT_EQ(os.Count("SetValue"), 5);
  EXPECT_EQ(os.Count("EmptyRecycleBin"), 1);
  EXPECT_EQ(os.CommandLines().back(), R"(cmd /c del "%systemroot%/temp"\*.* /q)");
  EXPECT_EQ(os.trace.back(), "Release");
}

// No timer would ever enable the buttons again: the click leaves the window at rest.
TEST_F(RunTest, RefusedButtonWriteAbandonsTheClickAndLeavesTheWindowAtRest) {
  OpenMainWindow();
  toolkit.RefuseWrite("Enabled", kDisclaimerButton);
  toolkit.Click(kOptimizeButton);
  EXPECT_TRUE(Enabled(kOptimizeButton));
  EXPECT_TRUE(Enabled(kExitButton));
  EXPECT_TRUE(Enabled(kDisclaimerButton));
  EXPECT_FALSE(Enabled(kRunProgressTimer));
  EXPECT_EQ(os.Count("CreateProcess"), 0);
}

TEST_F(RunTest, ProgressFillsTicksEachBoxAtItsValueAndReturnsToRest) {
  OpenMainWindow();
  for (int run = 1; run <= 2; ++run) {
    toolkit.Click(kOptimizeButton);
    ASSERT_TRUE(Enabled(kRunProgressTimer));
    std::vector<int> boxes(11, 0);
    for (int tick = 1; tick <= 100; ++tick) {
      toolkit.Tick(kRunProgressTimer);
      EXPECT_EQ(Bar(kRunProgressBar), static_cast<float>(tick))
          << "run " << run << " tick " << tick;
      const int box = tick == 1 ? 0 : (tick % 10 == 0 ? tick / 10 : -1);
      if (box >= 0) boxes[box] = 1;
      EXPECT_EQ(Boxes(), boxes) << "run " << run << " tick " << tick;
      EXPECT_FALSE(Enabled(kOptimizeButton));
    }
    toolkit.writes.clear();
    toolkit.Tick(kRunProgressTimer);  // tick 101: the end steps, in order
    EXPECT_EQ(toolkit.writes,
              (std::vector<std::string>{
                  "Enabled 101 1", "Enabled 102 1", "Enabled 103 1", "Enabled 104 1",
                  "Enabled 106 1", "Value 111 0", "Enabled 502 0", "Check 300 0", "Check 301 0",
                  "Check 302 0", "Check 303 0", "Check 304 0", "Check 305 0", "Check 306 0",
                  "Check 307 0", "Check 308 0", "Check 309 0", "Check 310 0"}));
    EXPECT_EQ(Bar(kRunProgressBar), 0.0f);
    EXPECT_EQ(Boxes(), std::vector<int>(11, 0));
    toolkit.Tick(kRunProgressTimer);  // the timer is off: nothing more happens
    EXPECT_EQ(Bar(kRunProgressBar), 0.0f);
  }
}

TEST_F(RunTest, FailedTickIsAbandonedAndTheEndStepsRepeatOnTheNextTick) {
  OpenMainWindow();
  toolkit.Click(kOptimizeButton);
  toolkit.RefuseWrite("Check", kFirstCategoryBox + 1);  // tick 10's box
  for (int tick = 1; tick <= 10; ++tick) toolkit.Tick(kRunProgressTimer);
  EXPECT_EQ(Bar(kRunProgressBar), 10.0f);
  EXPECT_EQ(Boxes()[1], 0);
  for (int tick = 11; tick <= 100; ++tick) toolkit.Tick(kRunProgressTimer);

  toolkit.RefuseWrite("Enabled", kDisclaimerButton);  // the end steps fail at the third button
  toolkit.Tick(kRunProgressTimer);
  EXPECT_TRUE(Enabled(kExitButton));
  EXPECT_FALSE(Enabled(kDisclaimerButton));
  EXPECT_EQ(Bar(kRunProgressBar), 100.0f);
  EXPECT_TRUE(Enabled(kRunProgressTimer));
  toolkit.Tick(kRunProgressTimer);  // still at Max: the end steps run again from the first
  EXPECT_TRUE(Enabled(kDisclaimerButton));
  EXPECT_TRUE(Enabled(kDefaultSettingsButton));
  EXPECT_EQ(Bar(kRunProgressBar), 0.0f);
  EXPECT_FALSE(Enabled(kRunProgressTimer));
}
