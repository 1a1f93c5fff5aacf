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
  for (const Case& c : {Case{0, Claim::kHeld, ""}, Case{5, Claim::kFailed, "may not be opened"},
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

// Every Brisko makes the lock owned by the administrators. In the Global namespace (2000, XP)
// any user may make an object of its name first, with a list that lets Brisko open it, and hold
// it for ever: such a lock is not another Brisko's, and every run would otherwise end in 1618.
TEST(SingleInstance, AHeldLockIsAnotherBriskosOnlyWhenTheAdministratorsOwnIt) {
  using platform::Principal;
  const platform::AccountFacts xp;
  const platform::AccountFacts split{platform::RuntimeCall::kSucceeded, 2, false};
  struct Case {
    const char* what;
    Principal owner;
    platform::AccountFacts account;
    Claim claim;
  };
  const Case cases[] = {
      {"made by another Brisko", Principal::kAdministrators, split, Claim::kHeld},
      {"made by a Brisko running as SYSTEM", Principal::kSystem, split, Claim::kHeld},
      {"made by an earlier Brisko of this account, on XP", Principal::kProcessUser, xp,
       Claim::kHeld},
      {"made by this account's unelevated processes", Principal::kProcessUser, split,
       Claim::kFailed},
      {"made by another user", Principal::kOther, xp, Claim::kFailed},
      {"made with no owner", Principal::kNone, xp, Claim::kFailed},
  };
  for (const Case& c : cases) {
    fakes::FakeStartUp startUp;
    startUp.lockHeldFor = -1;
    startUp.lockOwner = c.owner;
    startUp.account = c.account;
    const app::MachineClaim claim = app::ClaimMachine(startUp);
    EXPECT_EQ(claim.claim, c.claim) << c.what;
    if (c.claim == Claim::kFailed) {
      EXPECT_NE(claim.reason.find("is held by an object that"), std::string::npos) << claim.reason;
      EXPECT_NE(claim.reason.find("not by another Brisko"), std::string::npos) << claim.reason;
    }
  }
  // From the desktop the person is told why at once, not after waiting for it to end.
  fakes::FakeStartUp desktop;
  desktop.lockHeldFor = -1;
  desktop.lockOwner = Principal::kOther;
  EXPECT_EQ(app::ClaimForWindows(desktop), Claim::kFailed);
  ASSERT_EQ(desktop.notices.size(), 1u);
  EXPECT_NE(desktop.notices[0].find("S-1-5-21-7-7-7-1001 made, not by another Brisko"),
            std::string::npos)
      << desktop.notices[0];
}
