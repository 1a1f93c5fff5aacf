// One Brisko per machine: a second start from the desktop while Brisko runs, and a lock that is
// not another Brisko's.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/single_instance.h"
#include "tests/fakes/fake_start_up.h"

using app::Claim;

TEST(SingleInstance, SecondStartBringsTheWindowForwardOrTellsTheUser) {
  struct Case {
    const char* name;
    int lockHeldFor;
    long lockError;
    std::vector<std::string> windows;
    Claim claim;
    int attempts;
    bool notice;
  };
  const Case cases[] = {
      {"the machine is free", 0, 0, {}, Claim::kClaimed, 1, false},
      {"the main window is open", -1, 0, {"BriskoMainWindow"}, Claim::kHeld, 1, false},
      {"the disclaimer is open", -1, 0, {"BriskoDisclaimer"}, Claim::kHeld, 1, false},
      {"the other Brisko ends while we wait", 4, 0, {}, Claim::kClaimed, 5, false},
      {"an unattended run, or another session's Brisko", -1, 0, {}, Claim::kHeld, 30, true},
      // Not another Brisko: said at once, not waited for.
      {"a lock Brisko may not open", 0, 5, {}, Claim::kFailed, 1, true},
      {"another kind of object of that name", 0, 6, {}, Claim::kFailed, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::FakeStartUp startUp;
    startUp.lockHeldFor = c.lockHeldFor;
    startUp.lockError = c.lockError;
    startUp.visibleWindows = {c.windows.begin(), c.windows.end()};
    EXPECT_EQ(app::ClaimForWindows(startUp), c.claim);
    EXPECT_EQ(std::count(startUp.trace.begin(), startUp.trace.end(), "TakeMachineLock"),
              c.attempts);
    EXPECT_EQ(startUp.notices.size(), c.notice ? 1u : 0u);
  }
  // Both windows are raised, the disclaimer last, so that it stays above the main window.
  fakes::FakeStartUp both;
  both.lockHeldFor = -1;
  both.visibleWindows = {"BriskoMainWindow", "BriskoDisclaimer"};
  EXPECT_EQ(app::ClaimForWindows(both), Claim::kHeld);
  EXPECT_EQ(both.trace,
            (std::vector<std::string>{"TakeMachineLock", "BringToFront BriskoMainWindow",
                                      "BringToFront BriskoDisclaimer"}));
}

TEST(SingleInstance, ALockThatCannotBeHadIsToldApartFromAnotherBrisko) {
  struct Case {
    long error;
    Claim claim;
    const char* reason;
  };
  for (const Case& c : {Case{0, Claim::kHeld, ""},
                        Case{5, Claim::kFailed, "may not be opened"},
                        Case{6, Claim::kFailed, "another kind of object"},
                        Case{1450, Claim::kFailed, "error 1450"}}) {
    fakes::FakeStartUp startUp;
    startUp.lockHeldFor = -1;
    startUp.lockError = c.error;
    const app::MachineClaim claim = app::ClaimMachine(startUp);
    EXPECT_EQ(claim.claim, c.claim) << c.error;
    EXPECT_NE(claim.reason.find(c.reason), std::string::npos) << claim.reason;
  }
}
