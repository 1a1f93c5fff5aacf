// Start-up and the two windows' flows on the fake toolkit, events that name no control,
// windows that cannot be made, and where the controls stand at each DPI.
#include <new>
#include <set>
#include <string>
#include <vector>

#include "app/layouts.h"
#include "platform/window_host.h"
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

// The progress timer is the only thing that brings the window back to rest; when it cannot
// be started, the buttons must not stay disabled for the rest of the session.
TEST_F(WindowsTest, ProgressTimerThatCannotStartLeavesTheWindowAtRest) {
  OpenMainWindow();
  toolkit.RefuseNative("Update", main_window::kRunProgressTimer);
  toolkit.Click(main_window::kOptimizeButton);
  // After the settings are saved, only the buttons and the timer: no line is started.
  os.trace.erase(os.trace.begin(), os.trace.begin() + First("Enabled"));
  EXPECT_EQ(os.trace, (std::vector<std::string>{"Enabled 101 0", "Enabled 102 0", "Enabled 103 0",
                                                "Enabled 104 0", "Enabled 106 0", "Enabled 502 1",
                                                "Enabled 101 1", "Enabled 102 1", "Enabled 103 1",
                                                "Enabled 104 1", "Enabled 106 1"}));
  EXPECT_FALSE(Enabled(main_window::kRunProgressTimer));
  EXPECT_EQ(Bar(main_window::kRunProgressBar), 0.0f);

  toolkit.Click(main_window::kOptimizeButton);  // the next click is a whole run
  EXPECT_TRUE(Enabled(main_window::kRunProgressTimer));
  EXPECT_EQ(os.CommandLines().size(), 74u);
}

// A window is loaded whole or not at all: whichever step of making it fails, nothing of it
// is left, and the program does not linger without a window.
TEST(HalfMadeWindow, LeavesNothingBehind) {
  struct Case {
    const char* step;
    int id;
    bool mainWindow;
  };
  for (const Case& c : {Case{"CreateWindow", kDisclaimerWindow, false},
                        Case{"CreateControl", disclaimer::kSpannerPicture, false},
                        Case{"Finish", kDisclaimerWindow, false},
                        Case{"CreateControl", main_window::kTuneMemoryLabel, true},
                        Case{"Update", main_window::kMonitorTimer, true}}) {
    fakes::FakeOs os;
    platform::Os system = os.Os();
    fakes::FakeToolkit toolkit;
    Program program(toolkit, system);
    if (c.mainWindow) {
      program.Start();
      toolkit.RefuseNative(c.step, c.id);
      toolkit.Click(disclaimer::kNextButton);
      EXPECT_FALSE(toolkit.IsLoaded(kMainWindow)) << c.step << " " << c.id;
      EXPECT_TRUE(toolkit.Ended()) << c.step << " " << c.id;
    } else {
      toolkit.RefuseNative(c.step, c.id);
      EXPECT_FALSE(platform::Trap([&] { program.Start(); })) << c.step << " " << c.id;
      EXPECT_FALSE(toolkit.IsLoaded(kDisclaimerWindow)) << c.step << " " << c.id;
      EXPECT_THROW(toolkit.State(disclaimer::kNextButton), platform::Failure);
    }
    EXPECT_EQ(toolkit.live, std::set<std::string>{}) << c.step << " " << c.id;
    if (!c.mainWindow) {  // tried again, the window is made whole
      program.Start();
      EXPECT_EQ(toolkit.live.size(), 1 + DisclaimerWindowLayout().controls.size());
    }
  }
}

// Another program can post any click or timer message to our windows: one that names no
// button (or timer) of the window it reaches does nothing.
TEST_F(WindowsTest, ClicksAndTicksForIdsNotInTheWindowAreIgnored) {
  OpenMainWindow();
  toolkit.Click(main_window::kDisclaimerButton);
  os.trace.clear();
  toolkit.Click(kMainWindow, 9999);
  toolkit.Tick(kMainWindow, 9999);
  toolkit.Click(9999);
  toolkit.Tick(9999);
  toolkit.Click(kDisclaimerWindow, main_window::kOptimizeButton);  // another window's button
  toolkit.Click(kMainWindow, disclaimer::kNextButton);
  toolkit.Tick(kDisclaimerWindow, main_window::kMonitorTimer);
  toolkit.Click(kMainWindow, main_window::kRunProgressBar);   // not a button
  toolkit.Tick(kMainWindow, main_window::kOptimizeButton);    // not a timer
  toolkit.Tick(kMainWindow, main_window::kRunProgressTimer);  // a timer that is not running
  EXPECT_EQ(os.trace, std::vector<std::string>{});
  EXPECT_TRUE(toolkit.IsLoaded(kMainWindow));
  EXPECT_TRUE(toolkit.IsLoaded(kDisclaimerWindow));
  EXPECT_EQ(Bar(main_window::kRunProgressBar), 0.0f);
}

// Whatever escapes a handler (here an allocation failure) ends that handler only; the
// window that it unloaded first is still counted, so the program ends.
TEST(WindowHostEvents, AnEscapingFailureEndsOnlyItsHandler) {
  constexpr platform::ControlId kButton = 10;
  struct Throwing : platform::WindowLogic {
    platform::ControlHost* host = nullptr;
    void Click(platform::ControlId) override {
      host->UnloadWindow(1);
      throw std::bad_alloc();
    }
    void Tick(platform::ControlId) override { throw std::bad_alloc(); }
  };
  const platform::ControlSpec controls[] = {
      {.id = kButton, .kind = platform::ControlKind::kButton},
      {.id = 11, .kind = platform::ControlKind::kTimer, .interval = 100}};
  const platform::WindowSpec window{.id = 1, .controls = controls};
  fakes::FakeToolkit toolkit;
  Throwing logic;
  logic.host = &toolkit;
  toolkit.Register(window, logic);
  toolkit.ShowWindow(1);
  toolkit.Tick(11);
  EXPECT_FALSE(toolkit.Ended());
  toolkit.Click(kButton);
  EXPECT_TRUE(toolkit.Ended());
}

TEST(ScreenGeometry, EveryPlaceGrowsWithTheDpi) {
  struct Case {
    int dpi;
    platform::PixelSize mainClient;
    platform::PixelPlace versionLabel;  // the disclaimer's, twips 240, 4680, 1620, 285
    platform::PixelPlace separator;     // from (0, 960) to (6240, 960)
    platform::PixelSize background;     // 751 x 431 at 96 DPI
  };
  const platform::ControlSpec* version = nullptr;
  const platform::ControlSpec* separator = nullptr;
  for (const auto& control : DisclaimerWindowLayout().controls) {
    if (control.id == disclaimer::kVersionLabel) version = &control;
  }
  for (const auto& control : MainWindowLayout().controls) {
    if (control.id == main_window::kSystemMemorySeparator) separator = &control;
  }
  ASSERT_TRUE(version != nullptr && separator != nullptr);
  for (const Case& c :
       {Case{96, {745, 413}, {16, 312, 108, 19}, {0, 64, 416, 1}, {751, 431}},
        Case{120, {931, 516}, {20, 390, 135, 24}, {0, 80, 520, 1}, {939, 539}},
        Case{144, {1118, 620}, {24, 468, 162, 29}, {0, 96, 624, 2}, {1127, 647}},
        Case{192, {1490, 826}, {32, 624, 216, 38}, {0, 128, 832, 2}, {1502, 862}}}) {
    const platform::ScreenGeometry geometry(c.dpi);
    EXPECT_EQ(geometry.Client(MainWindowLayout()), c.mainClient) << c.dpi;
    EXPECT_EQ(geometry.Place(*version), c.versionLabel) << c.dpi;
    EXPECT_EQ(geometry.Place(*separator), c.separator) << c.dpi;
    EXPECT_EQ(geometry.PictureSize({751, 431}), c.background) << c.dpi;
  }
}

TEST(ScreenGeometry, SizedToTextAndTheWindowCorrection) {
  // At 96 DPI the text fits its laid-out label and nothing moves; at 144 DPI "Version : x.y.z"
  // is a pixel wider than the label grown with the DPI, and the label grows to hold it.
  EXPECT_EQ(platform::SizedToText({108, 19}, {107, 17}), (platform::PixelSize{108, 19}));
  EXPECT_EQ(platform::SizedToText({162, 29}, {163, 27}), (platform::PixelSize{163, 29}));
  EXPECT_EQ(platform::SizedToText({162, 20}, {100, 27}), (platform::PixelSize{162, 27}));
  // A window cut to 1,032 pixels of client area where 1,118 are needed grows by the rest.
  EXPECT_EQ(platform::CorrectedWindowSize({1038, 654}, {1032, 620}, {1118, 620}),
            (platform::PixelSize{1124, 654}));
  EXPECT_EQ(platform::CorrectedWindowSize({1124, 654}, {1118, 620}, {1118, 620}),
            (platform::PixelSize{1124, 654}));
}
