// Start-up and the two windows' flows on the fake toolkit.
#include <set>

#include "app/layouts.h"
#include "tests/unit/program_fixture.h"

using namespace app;

using WindowsTest = ProgramTest;

TEST_F(WindowsTest, StartUpShowsOnlyTheDisclaimer) {
  program.Start();
  EXPECT_TRUE(toolkit.IsLoaded(kFrmSplash));
  EXPECT_FALSE(toolkit.IsLoaded(kForm1));
  EXPECT_EQ(os.Count("GetVersionEx"), 0);
}

TEST_F(WindowsTest, NextOpensTheMainWindowWithTheVersionLineFilled) {
  program.Start();
  toolkit.Click(splash::kCommand1);
  EXPECT_FALSE(toolkit.IsLoaded(kFrmSplash));
  ASSERT_TRUE(toolkit.IsLoaded(kForm1));
  EXPECT_FALSE(toolkit.Ended());
  EXPECT_EQ(Caption(form1::Label(8)), "Windows Version : 5.1 Built 2600");
  EXPECT_EQ(Caption(form1::Label(1)), "");  // the monitor waits for its first tick
  EXPECT_TRUE(Enabled(form1::kTimer1));
  EXPECT_FALSE(Enabled(form1::kTimer2));
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
    freshToolkit.KeyPress(kFrmSplash, c.character);
    EXPECT_FALSE(freshToolkit.IsLoaded(kFrmSplash)) << c.character;
    EXPECT_EQ(freshToolkit.IsLoaded(kForm1), c.opensMainWindow) << c.character;
    EXPECT_EQ(freshToolkit.Ended(), !c.opensMainWindow) << c.character;
  }
}

TEST_F(WindowsTest, DisclaimerFromTheMainWindowOnlyClosesItself) {
  OpenMainWindow();
  toolkit.Click(form1::kCommand3);
  EXPECT_TRUE(toolkit.IsLoaded(kFrmSplash));
  toolkit.Click(form1::kCommand3);  // still one disclaimer window
  EXPECT_TRUE(toolkit.IsLoaded(kFrmSplash));
  toolkit.Click(form1::kCommand4);  // the main window stays usable
  EXPECT_EQ(os.Count("CreateProcess"), 1);

  toolkit.Click(splash::kCommand1);
  EXPECT_FALSE(toolkit.IsLoaded(kFrmSplash));
  EXPECT_TRUE(toolkit.IsLoaded(kForm1));
  EXPECT_EQ(os.Count("GetVersionEx"), 1);  // not loaded again

  toolkit.Click(form1::kCommand3);
  toolkit.KeyPress(kFrmSplash, 'x');
  EXPECT_FALSE(toolkit.IsLoaded(kFrmSplash));
  EXPECT_TRUE(toolkit.IsLoaded(kForm1));
  EXPECT_FALSE(toolkit.Ended());
}

TEST_F(WindowsTest, ExitEndsTheProgramEvenWithTheDisclaimerOpen) {
  OpenMainWindow();
  toolkit.Click(form1::kCommand3);
  toolkit.Click(form1::kCommand2);
  EXPECT_TRUE(toolkit.Ended());
  EXPECT_FALSE(toolkit.IsLoaded(kFrmSplash));
  EXPECT_FALSE(toolkit.IsLoaded(kForm1));
}

TEST_F(WindowsTest, ClosingTheMainWindowDuringARun) {
  OpenMainWindow();
  toolkit.Click(form1::kCommand3);  // disclaimer open
  toolkit.Click(form1::kCommand1);
  for (int tick = 0; tick < 30; ++tick) toolkit.Tick(form1::kTimer2);
  toolkit.Close(kForm1);
  EXPECT_FALSE(toolkit.Ended());  // the disclaimer window keeps the program alive

  toolkit.Click(splash::kCommand1);  // a new main window, loaded afresh, at rest
  ASSERT_TRUE(toolkit.IsLoaded(kForm1));
  EXPECT_EQ(os.Count("GetVersionEx"), 2);
  EXPECT_EQ(Bar(1), 0.0f);
  EXPECT_TRUE(Enabled(form1::kCommand1));
  EXPECT_FALSE(Enabled(form1::kTimer2));

  toolkit.Close(kForm1);
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
  for (const auto* window : {&Form1Layout(), &FrmSplashLayout()}) {
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
