// A second start from the desktop while Brisko runs on this machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/single_instance.h"
#include "tests/fakes/fake_start_up.h"

TEST(SingleInstance, SecondStartBringsTheWindowForwardOrTellsTheUser) {
  struct Case {
    const char* name;
    int lockHeldFor;
    std::vector<std::string> windows;
    bool opensWindows;
    int claims;
    bool notice;
  };
  const Case cases[] = {
      {"the machine is free", 0, {}, true, 1, false},
      {"the main window is open", -1, {"BriskoMainWindow"}, false, 1, false},
      {"the disclaimer is open", -1, {"BriskoDisclaimer"}, false, 1, false},
      {"the other Brisko ends while we wait", 4, {}, true, 5, false},
      {"an unattended run, or another session's Brisko", -1, {}, false, 30, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::FakeStartUp startUp;
    startUp.lockHeldFor = c.lockHeldFor;
    startUp.visibleWindows = {c.windows.begin(), c.windows.end()};
    EXPECT_EQ(app::ClaimForWindows(startUp), c.opensWindows);
    EXPECT_EQ(std::count(startUp.trace.begin(), startUp.trace.end(), "ClaimMachine"), c.claims);
    EXPECT_EQ(startUp.notices.size(), c.notice ? 1u : 0u);
  }
  // Both windows are raised, the disclaimer last, so that it stays above the main window.
  fakes::FakeStartUp both;
  both.lockHeldFor = -1;
  both.visibleWindows = {"BriskoMainWindow", "BriskoDisclaimer"};
  EXPECT_FALSE(app::ClaimForWindows(both));
  EXPECT_EQ(both.trace, (std::vector<std::string>{"ClaimMachine", "BringToFront BriskoMainWindow",
                                                  "BringToFront BriskoDisclaimer"}));
}
