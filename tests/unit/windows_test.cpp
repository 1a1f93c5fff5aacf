// Start-up and the two windows' flows on the fake toolkit.
#include <set>

#include "app/layouts.h"
#include "tests/unit/program_fixture.h"

using namespace app;

using WindowsTest = ProgramTest;

TEST_F(WindowsTest, StartUpShowsOnlyTheDisclaimer) {
  program.Start();
  EXPECT_TRUE(toolkit.IsLoaded(kDisclaimerWindow));
  EXPECT_FALSE(toolkit.IsLoaded(kMainWindow));
  EXPECT_EQ(os.Count("GetVersionEx"), 0);
}

TEST_F(WindowsTest, NextOpensTheMainWindowWithTheVersionLineFilled) {
  program.Start();
  toolkit.Click(disclaimer::kNextButton);
  EXPECT_FALSE(toolkit.IsLoaded(kDisclaimerWindow));
  ASSERT_TRUE(toolkit.IsLoaded(kMainWindow));
  EXPECT_FALSE(toolkit.Ended());
  EXPECT_EQ(Caption(main_window::kVersionLabel), "Windows Version : 5.1 Built 2600");
  EXPECT_EQ(Caption(main_window::kTotalMemoryLabel), "");  // the monitor waits for its first tick
  EXPECT_TRUE(Enabled(main_window::kMonitorTimer));
  EXPECT_FALSE(Enabled(main_window::kRunProgressTimer));
}

TEST_F(WindowsTest, KeysAtStartUp) {
  struct Case {
    int character;
    bool opensMainWindow;
  };
  for (const Case& c :
       {Case{'a', false}, Case{'7', false}, Case{27, false}, Case{13, true}, Case{' ', true}}) {
    fakes::FakeOs freshOs;
    platform::Os freshSystem = freshOs.Os();
    fakes::FakeToolkit freshToolkit;
    Program freshProgram(freshToolkit, freshSystem);
    freshProgram.Start();
    freshToolkit.KeyPress(kDisclaimerWindow, c.character);
    EXPECT_FALSE(freshToolkit.IsLoaded(kDisclaimerWindow)) << c.character;
    EXPECT_EQ(freshToolkit.IsLoaded(kMainWindow), c.opensMainWindow) << c.character;
    EXPECT_EQ(freshToolkit.Ended(), !c.opensMainWindow) << c.character;
  }
}

TEST_F(WindowsTest, DisclaimerFromTheMainWindowOnlyClosesItself) {
  OpenMainWindow();
  toolkit.Click(main_window::kDisclaimerButton);
  EXPECT_TRUE(toolkit.IsLoaded(kDisclaimerWindow));
  toolkit.Click(main_window::kDisclaimerButton);  // still one disclaimer window
  EXPECT_TRUE(toolkit.IsLoaded(kDisclaimerWindow));
  toolkit.Click(main_window::kDefragButton);  // the main window stays usable
  EXPECT_EQ(os.Count("CreateProcess"), 1);

  toolkit.Click(disclaimer::kNextButton);
  EXPECT_FALSE(toolkit.IsLoaded(kDisclaimerWindow));
  EXPECT_TRUE(toolkit.IsLoaded(kMainWindow));
  EXPECT_EQ(os.Count("GetVersionEx"), 1);  // not loaded again

  toolkit.Click(main_window::kDisclaimerButton);
  toolkit.KeyPress(kDisclaimerWindow, 'x');
  EXPECT_FALSE(toolkit.IsLoaded(kDisclaimerWindow));
  EXPECT_TRUE(toolkit.IsLoaded(kMainWindow));
  EXPECT_FALSE(toolkit.Ended());
}

TEST_F(WindowsTest, ExitEndsTheProgramEvenWithTheDisclaimerOpen) {
  OpenMainWindow();
  toolkit.Click(main_window::kDisclaimerButton);
  toolkit.Click(main_window::kExitButton);
  EXPECT_TRUE(toolkit.Ended());
  EXPECT_FALSE(toolkit.IsLoaded(kDisclaimerWindow));
  EXPECT_FALSE(toolkit.IsLoaded(kMainWindow));
}

TEST_F(WindowsTest, ClosingTheMainWindowDuringARun) {
  OpenMainWindow();
  toolkit.Click(main_window::kDisclaimerButton);  // disclaimer open
  toolkit.Click(main_window::kOptimizeButton);
  for (int tick = 0; tick < 30; ++tick) toolkit.Tick(main_window::kRunProgressTimer);
  toolkit.Close(kMainWindow);
  EXPECT_FALSE(toolkit.Ended());  // the disclaimer window keeps the program alive

  toolkit.Click(disclaimer::kNextButton);  // a new main window, loaded afresh, at rest
  ASSERT_TRUE(toolkit.IsLoaded(kMainWindow));
  EXPECT_EQ(os.Count("GetVersionEx"), 2);
  EXPECT_EQ(Bar(app::main_window::kRunProgressBar), 0.0f);
  EXPECT_TRUE(Enabled(main_window::kOptimizeButton));
  EXPECT_FALSE(Enabled(main_window::kRunProgressTimer));

  toolkit.Close(kMainWindow);
  EXPECT_TRUE(toolkit.Ended());
}

TEST(Layouts, DisclaimerParagraphsAndUniqueIds) {
  const std::string_view a = DisclaimerParagraphA();
  EXPECT_EQ(a.size(), 789u);
  EXPECT_NE(a.find("universities  through"), std::string_view::npos);
  EXPECT_NE(a.find("date." + std::string(258, ' ') + "The lack"), std::string_view::npos);
  EXPECT_EQ(DisclaimerParagraphB().size(), 199u);
  EXPECT_NE(DisclaimerParagraphB().find("XP,  Brisko  attempts"), std::string_view::npos);

  std::set<platform::ControlId> ids;
  std::set<int> tabs;
  for (const auto* window : {&MainWindowLayout(), &DisclaimerWindowLayout()}) {
    tabs.clear();
    for (const platform::ControlSpec& control : window->controls) {
      EXPECT_TRUE(ids.insert(control.id).second) << control.name;
      if (control.tab >= 0) {
        EXPECT_TRUE(tabs.insert(control.tab).second) << control.name;
      }
      if (control.container != 0) {  // a container is laid out before what it holds
        bool seen = false;
        for (const platform::ControlSpec& other : window->controls) {
          if (&other == &control) break;
          seen = seen || other.id == control.container;
        }
        EXPECT_TRUE(seen) << control.name;
      }
    }
  }
}
