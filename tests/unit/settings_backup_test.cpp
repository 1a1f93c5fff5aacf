// The way back: what a run saves before it changes anything, the file's contents, reading it
// back, the folder and files it trusts, and putting the settings back from the button,
// /optimize and /undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/undo.h"
#include "app/unattended.h"
#include "catalogue/settings_backup.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"
#include "tests/unit/registry_file_text.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_start_up.h"
#include "tests/unit/program_fixture.h"

using namespace std::literals;

namespace {

using testing_text::RegFile;
using testing_text::Text;
using testing_text::Utf16;

using catalogue::SavedSetting;
using catalogue::SettingKind;
using platform::Principal;

constexpr std::uint32_t kCu = platform::kHkeyCurrentUser;
constexpr std::uint32_t kLm = platform::kHkeyLocalMachine;
const std::string kFolder = R"(C:\ProgramData\Brisko)";
const std::string kSaved = kFolder + R"(\brisko-before-optimize-2026-12-11-143005-utc.reg)";
const std::string kRemoteRegistry = R"(SYSTEM\CurrentControlSet\Services\RemoteRegistry)";
// The fake registry's name of a value, for its error tables.
const std::string kRemoteRegistryStart =
    R"(2147483650\SYSTEM\CURRENTCONTROLSET\SERVICES\REMOTEREGISTRY|START)";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

SavedSetting& Named(std::vector<SavedSetting>& settings, const std::string& name,
                    SettingKind kind = SettingKind::kTweak) {
  return *std::find_if(settings.begin(), settings.end(), [&](const SavedSetting& s) {
    return s.valueName == name && s.kind == kind;
  });
}

// Settings as a run would find them on a lived-in machine: most values absent, some present,
// of every type, and a service that is not installed.
std::vector<SavedSetting> LivedIn() {
  std::vector<SavedSetting> settings = catalogue::SettingsARunReplaces();
  const auto put = [&](const std::string& name, std::uint32_t type,
                       std::vector<std::uint8_t> data) -> SavedSetting& {
    SavedSetting& setting = Named(settings, name);
    setting.present = true;
    setting.type = type;
    setting.data = std::move(data);
    return setting;
  };
  put("DefaultApplied", platform::kRegDword, {2, 0, 0, 0});
  put("MenuShowDelay", platform::kRegSz, Utf16(u"a \"quoted\" C:\\path \u0141\u00f3d\u017a\0"s));
  put("DisablePagingExecutive", platform::kRegSz, Utf16(u"line\r\nbreak\0"s));
  put("LargeSystemCache", platform::kRegExpandSz, Utf16(u"%SystemRoot%\0"s));
  put("NoActiveDesktop", platform::kRegMultiSz, Utf16(u"one\0two\0\0"s));
  put("EnableBalloonTips", platform::kRegBinary, std::vector<std::uint8_t>(40, 0xAB));
  put("FontSmoothing", platform::kRegDword, {1, 2, 3});     // three bytes: not a plain dword
  put("Default", platform::kRegSz, Utf16(u".Current\0"s));  // below HKEY_USERS
  SavedSetting& service = Named(settings, "Start", SettingKind::kServiceStart);
  service.present = true;
  service.type = platform::kRegDword;
  service.data = {3, 0, 0, 0};
  settings[settings.size() - 2].keyFound = false;  // the last service is not installed
  SavedSetting& wallpaper = Named(settings, "Wallpaper", SettingKind::kWallpaper);
  wallpaper.present = true;
  wallpaper.type = platform::kRegSz;
  wallpaper.data = Utf16(u"C:\\Windows\\clouds.bmp\0"s);
  return settings;
}

const catalogue::SavedWhen kWhen{{2026, 12, 11, 14, 30, 5}, "LAB-07"};

// The file a run on a lived-in machine saves, as text.
std::string LivedInFile() { return Text(catalogue::SettingsFile(LivedIn(), kWhen)); }

// The same file as an earlier version wrote it: local time, and no closing line.
std::string EarlierVersionsFile() {
  std::string text = Replaced(LivedInFile(), "14:30:05 UTC.", "14:30:05 (local time).");
  return text.substr(0, text.find("\r\n; End of the saved settings")) + "\r\n";
}

bool Parses(const std::string& text, std::string* reason = nullptr) {
  std::vector<SavedSetting> parsed;
  std::string why;
  const bool parsedWell = catalogue::ParseSettingsFile(RegFile(text), &parsed, &why);
  if (reason != nullptr) *reason = why;
  return parsedWell;
}

}  // namespace

// --- the file's contents ------------------------------------------------------------------

TEST(SettingsFile, SaysWhenAndWhatCannotComeBackAndEndsWithAClosingLine) {
  const std::string text = LivedInFile();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n; Brisko: ", 0), 0u);
  EXPECT_NE(text.find("on LAB-07 at 2026-12-11 14:30:05 UTC."), std::string::npos);
  EXPECT_NE(text.find("What no file can bring back"), std::string::npos);
  EXPECT_TRUE(text.ends_with(
      "\r\n;   WmiApSrv\r\n\r\n; End of the saved settings: all 80 that Optimize replaces are "
      "above.\r\n"))
      << text.substr(text.size() - 200);
  EXPECT_EQ(text.find("WmiApSrv]"), std::string::npos) << "no section for a missing service";
  EXPECT_EQ(text.find("[-"), std::string::npos) << "a key is never deleted";
  EXPECT_NE(text.find("\"DisablePagingExecutive\"=hex(1):"), std::string::npos)
      << "a line break inside a text never lands in quotes";
  EXPECT_NE(text.find("[HKEY_USERS\\.DEFAULT\\AppEvents\\Schemes]\r\n\"Default\"=\".Current\""),
            std::string::npos);
  EXPECT_NE(text.find("\\Services\\RemoteRegistry]\r\n\"Start\"=dword:00000003\r\n"),
            std::string::npos);
  // One section per key, whatever the case of its spellings in the run's table.
  EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\FileSystem]"),
            std::string::npos);
}

TEST(SettingsFile, ReadsBackToTheSameSettings) {
  for (const std::string& text : {LivedInFile(), EarlierVersionsFile()}) {
    std::vector<SavedSetting> settings = LivedIn();
    std::vector<SavedSetting> parsed;
    std::string reason;
    ASSERT_TRUE(catalogue::ParseSettingsFile(RegFile(text), &parsed, &reason)) << reason;
    // The file groups values by key; put both in the same order to compare.
    const auto order = [](const SavedSetting& a, const SavedSetting& b) {
      return std::tie(a.root, a.keyPath, a.valueName) < std::tie(b.root, b.keyPath, b.valueName);
    };
    std::sort(settings.begin(), settings.end(), order);
    std::sort(parsed.begin(), parsed.end(), order);
    EXPECT_EQ(parsed, settings);
  }
}

// A file is taken whole or not at all: cut short, doubled, foreign or holding what Brisko would
// not put back, it is refused before anything changes.
TEST(SettingsFile, FilesThatAreNotWholeOrNotOursAreRefused) {
  const std::string whole = LivedInFile();
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string desktop = "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n";
  const std::string remote = "\\Services\\RemoteRegistry]\r\n\"Start\"=dword:00000003";
  const std::string closing = "; End of the saved settings";
  std::size_t tenthKey = 0;
  for (int key = 0; key < 10; ++key) tenthKey = whole.find("\r\n[", tenthKey + 1);
  struct Case {
    const char* what;
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
      {"cut at a key line", whole.substr(0, tenthKey + 2), "it lacks "},
      {"the header alone", whole.substr(0, whole.find("\r\n[")), "it lacks 80 of the 80"},
      {"no closing line", whole.substr(0, whole.find(closing)), "no closing line"},
      {"more after the closing line", whole + desktop, "after the closing line"},
      {"a value twice", Replaced(whole, remote, remote + "\r\n\"Start\"=dword:00000003"),
       "RemoteRegistry\\Start is in it twice"},
      {"a service both there and not installed",
       Replaced(whole, ";   WmiApSrv", ";   WmiApSrv\r\n;   remoteregistry"), "in it twice"},
      {"a service the run does not change among those not installed",
       Replaced(whole, ";   WmiApSrv", ";   WmiApSrv\r\n;   Spooler"), "not a service whose"},
      {"a start type that is not a number",
       Replaced(whole, remote, Replaced(remote, "dword:00000003", "\"3\"")), "not a REG_DWORD"},
      {"a start type no service has",
       Replaced(whole, remote, Replaced(remote, "dword:00000003", "dword:00000007")),
       "a start type of 7"},
      {"a wallpaper that is not text",
       Replaced(whole, "\"Wallpaper\"=\"C:\\\\Windows\\\\clouds.bmp\"",
                "\"Wallpaper\"=hex(2):00,00"),
       "a wallpaper that is not text"},
      {"a key the run does not touch",
       Replaced(whole, desktop, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n"),
       "a key Brisko does not"},
      {"a value the run does not write",
       Replaced(whole, desktop, desktop + "\"Shell\"=\"evil.exe\"\r\n"), "a value Brisko does not"},
      {"a value before any key", head + "\"Wallpaper\"=\"\"\r\n", "a value before any key"},
      {"a form the Registry Editor's files do not have", head + desktop + "@=\"x\"\r\n",
       "not a registry file of Brisko's"},
      {"an earlier version's file with a setting missing",
       Replaced(EarlierVersionsFile(), remote, "\\Services\\RemoteRegistry]"), "it lacks 1 of"},
  };
  for (const Case& c : cases) {
    std::string reason;
    EXPECT_FALSE(Parses(c.text, &reason)) << c.what;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
  }
}

// --- saving --------------------------------------------------------------------------------

TEST(SavingSettings, ReadInTheViewTheRunWritesAndSavedInANewFile) {
  fakes::FakeOs os;
  os.wow64 = true;
  os.Put(kCu, R"(Control Panel\Desktop)", "MenuShowDelay", {platform::kRegSz, Utf16(u"400\0"s)},
         true);
  os.Put(kLm, R"(SYSTEM\CurrentControlSet\Services\Alerter)", "Start",
         {platform::kRegDword, {2, 0, 0, 0}}, true);
  os.Put(kLm, R"(SYSTEM\CurrentControlSet\Services\Themes)", "Type",
         {platform::kRegDword, {0x20, 0, 0, 0}}, true);  // installed, no start type
  platform::Os system = os.Os();
  const catalogue::SaveOutcome outcome = catalogue::SaveSettingsBeforeRun(system);
  ASSERT_TRUE(outcome.saved) << outcome.reason;
  EXPECT_EQ(outcome.path, kSaved);
  for (const std::string& call : os.trace) {
    if (call.rfind("OpenKey ", 0) == 0) {
      EXPECT_NE(call.find("access 0x00020119"), std::string::npos) << call;
    }
    EXPECT_NE(call.rfind("SetValue", 0), 0u) << "nothing is written while saving";
  }
  EXPECT_EQ(os.Count("CreateProtectedFolder"), 1);
  EXPECT_EQ(os.Count("ProtectFolder"), 0) << "a folder Brisko made needs nothing put back";
  EXPECT_EQ(os.HeldFolders(), 0u);
  EXPECT_EQ(os.OpenKeys(), 0u);
  const std::string text = Text(os.files.at(kSaved));
  EXPECT_NE(text.find("\"MenuShowDelay\"=\"400\""), std::string::npos);
  EXPECT_NE(text.find("Services\\Alerter]\r\n\"Start\"=dword:00000002"), std::string::npos);
  EXPECT_NE(text.find("Services\\Themes]\r\n\"Start\"=-"), std::string::npos);
  EXPECT_NE(text.find(";   RemoteRegistry\r\n"), std::string::npos);

  // A second run in the same second gets a file of its own.
  const std::string second = kFolder + R"(\brisko-before-optimize-2026-12-11-143005-utc-2.reg)";
  EXPECT_EQ(catalogue::SaveSettingsBeforeRun(system).path, second);
  EXPECT_EQ(catalogue::NewestSettingsFile(os, kFolder), second);
}

TEST(SavingSettings, NothingIsSavedThatUndoWouldNotRead) {
  struct Case {
    const char* what;
    void (*arrange)(fakes::FakeOs&);
    const char* reason;
  };
  const Case cases[] = {
      {"the disk is full", [](fakes::FakeOs& os) { os.writeResult = 112; }, "(error 112)"},
      {"a value cannot be read",
       [](fakes::FakeOs& os) {
         os.readErrors[R"(2147483649\CONTROL PANEL\DESKTOP|MENUSHOWDELAY)"] = 5;
         os.keys.insert(R"(2147483649\CONTROL PANEL\DESKTOP)");
       },
       "cannot read Control Panel\\Desktop\\MenuShowDelay"},
      {"a start type Brisko would not put back",
       [](fakes::FakeOs& os) {
         os.Put(kLm, kRemoteRegistry, "Start", {platform::kRegDword, {7, 0, 0, 0}});
       },
       "RemoteRegistry\\Start holds a start type of 7"},
      {"more than /undo reads",
       [](fakes::FakeOs& os) {
         os.Put(kCu, R"(Control Panel\Desktop)", "MenuShowDelay",
                {platform::kRegBinary, std::vector<std::uint8_t>(200 * 1024, 1)});
       },
       "more than /undo reads"},
  };
  for (const Case& c : cases) {
    fakes::FakeOs os;
    c.arrange(os);
    platform::Os system = os.Os();
    const catalogue::SaveOutcome outcome = catalogue::SaveSettingsBeforeRun(system);
    EXPECT_FALSE(outcome.saved) << c.what;
    EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << c.what << ": " << outcome.reason;
    EXPECT_TRUE(os.files.empty()) << c.what;
    EXPECT_EQ(os.HeldFolders(), 0u) << c.what;
  }
}

// The folder of the saved settings, for saving and for /undo: every user may make folders and
// files in the common application data folder, so it is used only as far as its owner and
// access list can be trusted, its list put back first where an administrator made it with
// the inherited one.
TEST(SettingsFolder, IsUsedOnlyWhenItsOwnerAndAccessListAreTheAdministrators) {
  using Facts = platform::FolderFacts;
  const auto ownedBy = [](Principal owner) {
    Facts facts = fakes::FakeOs::AdministratorsFolder();
    facts.security.owner = owner;
    facts.security.ownerSid = "S-1-5-21-7-7-7-1001";
    return facts;
  };
  const platform::AccountFacts split{platform::RuntimeCall::kSucceeded, 2, false};
  struct Case {
    const char* what;
    std::function<void(fakes::FakeOs&)> arrange;
    bool saves, undoes, listPutBack;
    const char* reason;  // of the refusal
  };
  const Case cases[] = {
      {"made by Brisko", [](fakes::FakeOs&) {}, true, true, false, ""},
      {"made by an administrator with its parent's list",
       [](fakes::FakeOs& os) { os.folders[kFolder] = fakes::FakeOs::AdministratorsFolder(false); },
       true, true, true, ""},
      {"with no access list at all",
       [](fakes::FakeOs& os) { os.folders[kFolder].security.listPresent = false; }, true, true,
       true, ""},
      {"a list that cannot be put back",
       [](fakes::FakeOs& os) {
         os.folders[kFolder] = fakes::FakeOs::AdministratorsFolder(false);
         os.protectResult = 5;
       },
       false, false, true, "S-1-5-32-545 may change the folder"},
      {"a list that does not take",
       [](fakes::FakeOs& os) {
         os.folders[kFolder] = fakes::FakeOs::AdministratorsFolder(false);
         os.protectTakes = false;
       },
       false, false, true, "even after its access list was put back"},
      {"owned by the account Brisko runs as, whose token is split",
       [&](fakes::FakeOs& os) {
         os.folders[kFolder] = ownedBy(Principal::kProcessUser);
         os.account = split;
       },
       false, false, false, "belongs to the account Brisko runs as"},
      {"owned by the account Brisko runs as, on XP",
       [&](fakes::FakeOs& os) { os.folders[kFolder] = ownedBy(Principal::kProcessUser); }, true,
       true, false, ""},
      {"owned by the account Brisko runs as, on Wine",
       [&](fakes::FakeOs& os) {
         os.folders[kFolder] = ownedBy(Principal::kProcessUser);
         os.account = split;
         os.account.wine = true;
       },
       true, true, false, ""},
      {"owned by another user",
       [&](fakes::FakeOs& os) { os.folders[kFolder] = ownedBy(Principal::kOther); }, false, false,
       false, "belongs to S-1-5-21-7-7-7-1001"},
      {"a junction", [](fakes::FakeOs& os) { os.folders[kFolder].reparsePoint = true; }, false,
       false, false, "leads to another place"},
      {"a file of that name", [](fakes::FakeOs& os) { os.folders[kFolder].directory = false; },
       false, false, false, "is not a folder"},
      {"on a file system without owners",
       [](fakes::FakeOs& os) { os.folders[kFolder].security.kept = false; }, true, false, false,
       "name the saved file"},
      {"that cannot be looked at", [](fakes::FakeOs& os) { os.openFolderErrors[kFolder] = 5; },
       false, false, false, "cannot check the folder C:\\ProgramData\\Brisko (error 5)"},
      {"made by another user between the look and the make",
       [&](fakes::FakeOs& os) {
         os.folders.erase(kFolder);
         os.folderMadeMeanwhile = ownedBy(Principal::kOther);
       },
       false, false, false, "belongs to S-1-5-21-7-7-7-1001"},
      {"made by an administrator between the look and the make",
       [](fakes::FakeOs& os) {
         os.folders.erase(kFolder);
         os.folderMadeMeanwhile = fakes::FakeOs::AdministratorsFolder();
       },
       true, true, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeOs os;
    os.folders[kFolder] = fakes::FakeOs::AdministratorsFolder();
    const std::vector<std::uint8_t> saved =
        catalogue::SettingsFile(catalogue::ReadSettings(os), kWhen);
    c.arrange(os);
    platform::Os system = os.Os();
    fakes::FakeStartUp startUp;

    const catalogue::SaveOutcome outcome = catalogue::SaveSettingsBeforeRun(system);
    EXPECT_EQ(outcome.saved, c.saves) << outcome.reason;
    if (!c.saves) {
      EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << outcome.reason;
    }
    EXPECT_EQ(os.Count("ProtectFolder") > 0, c.listPutBack);

    os.files[kSaved] = saved;  // /undo without a file: the newest in the folder
    if (!os.folders.count(kFolder)) os.folders[kFolder] = *os.folderMadeMeanwhile;
    const int undone = app::RunUndo({.action = app::Action::kUndo}, system, startUp);
    EXPECT_EQ(undone, c.undoes ? 0 : 2) << startUp.output;
    if (!c.undoes) {
      EXPECT_NE(startUp.output.find(c.reason), std::string::npos) << startUp.output;
    }
    EXPECT_EQ(os.HeldFolders(), 0u);
  }
}

TEST(SavingSettings, TheNewestFileIsFoundByItsNameInUniversalTime) {
  fakes::FakeOs os;
  // An earlier version named its files in local time; every file named in universal time is
  // newer than those, whatever the clock said.
  for (const char* name : {
           "brisko-before-optimize-2027-01-01-000000.reg",
           "brisko-before-optimize-2026-12-10-235959-utc.reg",
           "brisko-before-optimize-2026-12-11-080000-utc.reg",
           "brisko-before-optimize-2026-12-11-080000-utc-3.reg",
           "zz-planted-2099-01-01-000000-utc.reg",
           "brisko-before-optimize-2099-01-01-000000-utc.reg.txt",
           "brisko-before-optimize-2099-1-1-utc.reg",
           "brisko-before-optimize-2099-01-01-00000\xC3\xA9-utc.reg",
           "brisko-before-optimize-2099-01-01-000000-utc-10.reg",
       }) {
    os.files[kFolder + "\\" + name] = {};
  }
  EXPECT_EQ(catalogue::NewestSettingsFile(os, kFolder),
            kFolder + "\\brisko-before-optimize-2026-12-11-080000-utc-3.reg");
  os.files.clear();
  os.files[kFolder + "\\brisko-before-optimize-2026-12-11-080000.reg"] = {};
  os.files[kFolder + "\\brisko-before-optimize-2026-12-10-080000.reg"] = {};
  EXPECT_EQ(catalogue::NewestSettingsFile(os, kFolder),
            kFolder + "\\brisko-before-optimize-2026-12-11-080000.reg");
  EXPECT_EQ(catalogue::SavedAt(kSaved), "2026-12-11 14:30:05 UTC");
  EXPECT_EQ(catalogue::SavedAt("brisko-before-optimize-2026-12-11-080000.reg"),
            "2026-12-11 08:00:00");
  EXPECT_EQ(catalogue::SavedAt("planted.reg"), "");
}

// --- the button, /optimize and /undo ------------------------------------------------------

using WayBackFromTheButton = ProgramTest;

TEST_F(WayBackFromTheButton, WithoutSavedSettingsTheUserIsAskedAndNoRunsNothing) {
  OpenMainWindow();
  os.writeResult = 112;  // the disk is full
  toolkit.answers = {platform::kIdNo};
  toolkit.Click(app::main_window::kOptimizeButton);
  ASSERT_EQ(toolkit.messages.size(), 1u);
  EXPECT_EQ(toolkit.messages[0].text,
            "Brisko could not save your current settings, so they could not be restored later. "
            "Optimize anyway?");
  EXPECT_EQ(toolkit.messages[0].style,
            platform::kMbYesNo | platform::kMbIconWarning | platform::kMbDefButton2);
  EXPECT_EQ(os.Count("CreateProcess"), 0);
  EXPECT_EQ(os.Count("SetValue"), 0);
  EXPECT_EQ(First("Enabled"), -1) << "the window stays as it was";

  toolkit.answers = {platform::kIdYes};
  toolkit.Click(app::main_window::kOptimizeButton);
  EXPECT_EQ(os.Count("CreateProcess"), 74);
  EXPECT_EQ(os.OpenKeys(), 0u) << "every key the run opened is closed again";
}

namespace {

class WayBack : public ::testing::Test {
 protected:
  int Optimize(bool noBackup = false) {
    return app::RunOptimize(
        {.action = app::Action::kOptimize, .logPath = "C:\\o.log", .noBackup = noBackup}, system,
        startUp, 1000);
  }
  int Undo(const std::string& file = "", bool ask = false) {
    startUp.log.clear();
    startUp.notices.clear();
    startUp.output.clear();
    return app::RunUndo(
        {.action = app::Action::kUndo, .logPath = "C:\\u.log", .undoPath = file, .ask = ask},
        system, startUp);
  }
  bool LogHas(const std::string& fragment) const {
    return std::any_of(startUp.log.begin(), startUp.log.end(), [&](const std::string& line) {
      return line.find(fragment) != std::string::npos;
    });
  }
  int Changes() const {
    return os.Count("SetValue") + os.Count("SetValueExact") + os.Count("DeleteValue") +
           os.Count("SetDeskWallpaper") + os.Count("CreateProcess");
  }
  // A whole saved file of this machine as it is now, under a name of its own.
  void SaveAs(const std::string& path) {
    os.files[path] = catalogue::SettingsFile(catalogue::ReadSettings(os), kWhen);
    if (path.starts_with(kFolder) && !os.folders.count(kFolder)) {
      os.folders[kFolder] = fakes::FakeOs::AdministratorsFolder();
    }
  }

  fakes::FakeOs os;
  platform::Os system = os.Os();
  fakes::FakeStartUp startUp;
};

}  // namespace

TEST_F(WayBack, UndoAfterARunLeavesTheRegistryAsItWas) {
  os.wow64 = true;
  os.Put(kCu, R"(Control Panel\Desktop)", "MenuShowDelay", {platform::kRegSz, Utf16(u"400\0"s)},
         true);
  os.Put(kCu, R"(Control Panel\Desktop)", "Wallpaper",
         {platform::kRegSz, Utf16(u"C:\\Windows\\clouds.bmp\0"s)}, true);
  os.Put(kLm, R"(SYSTEM\CurrentControlSet\Services\Alerter)", "Start",
         {platform::kRegDword, {2, 0, 0, 0}}, true);
  os.Put(kLm, R"(SYSTEM\CurrentControlSet\Control\FileSystem)", "NtfsDisable8dot3NameCreation",
         {platform::kRegBinary, {9, 9}}, true);  // another type than the run writes
  const auto before = os.values;

  EXPECT_EQ(Optimize(), 0);
  EXPECT_TRUE(LogHas(R"("event":"backup","result":"saved")"));
  EXPECT_EQ(os.OpenKeys(), 0u);
  // The run wrote its 49 values; a service manager would disable the services now.
  os.Put(kLm, R"(SYSTEM\CurrentControlSet\Services\Alerter)", "Start",
         {platform::kRegDword, {4, 0, 0, 0}}, true);
  EXPECT_NE(os.values, before);

  os.trace.clear();
  const int wallpapers = os.Count("SetDeskWallpaper"), lines = os.Count("CreateProcess");
  EXPECT_EQ(Undo(), 0);
  EXPECT_EQ(os.values, before) << "every value back, the absent ones absent again";
  EXPECT_EQ(os.Count("SetDeskWallpaper") - wallpapers, 1) << "the wallpaper is shown again";
  EXPECT_EQ(os.Count("CreateProcess"), lines);
  EXPECT_EQ(os.OpenKeys(), 0u) << "every key the way back opened is closed again";
  EXPECT_EQ(os.HeldFolders(), 0u);
  // All in the 64-bit view, where the run wrote.
  EXPECT_EQ(os.Count("CreateKey"), 0);
  for (const std::string& call : os.trace) {
    if (call.rfind("CreateKeyEx ", 0) == 0 || call.rfind("OpenKey ", 0) == 0) {
      const unsigned long access = std::stoul(call.substr(call.find("access ") + 7), nullptr, 16);
      EXPECT_NE(access & platform::kKeyWow64_64Key, 0u) << call;
    }
  }
  EXPECT_TRUE(LogHas(R"("event":"undo","file":)"));
  // The 49 values, Alerter's start type and the wallpaper; the other services are not installed.
  EXPECT_TRUE(LogHas(R"("event":"end","exitCode":0,"settingsRestored":51,"settingsRefused":0)"));
  EXPECT_NE(startUp.output.find("Brisko /undo: exit code 0"), std::string::npos);
}

TEST_F(WayBack, AServiceRemovedSinceTheRunStaysRemoved) {
  os.Put(kLm, R"(SYSTEM\CurrentControlSet\Services\Alerter)", "Start",
         {platform::kRegDword, {2, 0, 0, 0}});
  ASSERT_EQ(Optimize(), 0);
  os.values.erase(R"(2147483650\SYSTEM\CURRENTCONTROLSET\SERVICES\ALERTER|START)");
  EXPECT_EQ(Undo(), 0);
  EXPECT_EQ(os.Find(kLm, R"(SYSTEM\CurrentControlSet\Services\Alerter)", "Start"), nullptr);
  EXPECT_TRUE(LogHas(R"("name":"Start","result":"not installed")"));
}

TEST_F(WayBack, UndoChangesNothingWithoutAUsableFile) {
  EXPECT_EQ(Undo(), 2) << "no file saved yet";
  EXPECT_TRUE(LogHas(R"("result":"refused","reason":"Brisko has no saved settings)"));
  os.files[kSaved] = RegFile(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
      "Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"evil.exe\"\r\n");
  EXPECT_EQ(Undo(), 2) << "a foreign file";
  EXPECT_EQ(Undo(R"(C:\nowhere.reg)"), 2) << "a missing file";
  EXPECT_EQ(Changes(), 0);

  startUp.lockHeldFor = -1;
  EXPECT_EQ(Undo(), 1618) << "another Brisko runs";
}

// Before any run, any user may make the folder, or an administrator may have made it with the
// list it inherits, which lets every user add files: a file planted there, named later than any
// run's, must never be applied with an administrator's rights.
TEST_F(WayBack, AFilePlantedInTheFolderIsNeverApplied) {
  os.folders[kFolder] = fakes::FakeOs::AdministratorsFolder(false);
  ASSERT_EQ(Optimize(), 0);
  EXPECT_TRUE(os.folders[kFolder].security.listProtected) << "the list was put back first";
  const std::string planted = kFolder + R"(\brisko-before-optimize-2099-01-01-000000-utc.reg)";
  struct Case {
    const char* what;
    platform::FileFacts facts;
    const char* reason;
  };
  platform::FileFacts theirs{.diskFile = true, .links = 1};
  theirs.security.owner = Principal::kOther;
  theirs.security.ownerSid = "S-1-5-21-7-7-7-1001";
  platform::FileFacts linked = theirs, reparse = theirs;
  linked.security.owner = reparse.security.owner = Principal::kAdministrators;
  linked.links = 2;
  reparse.reparsePoint = true;
  const Case cases[] = {
      {"a user's file", theirs, "it belongs to S-1-5-21-7-7-7-1001, not to the administrators"},
      {"a hard link to an administrator's file", linked, "it has other names (hard links)"},
      {"a link", reparse, "it is a link to another file"},
  };
  os.Put(kLm, kRemoteRegistry, "Start", {platform::kRegDword, {2, 0, 0, 0}});  // automatic
  SaveAs(planted);
  os.values.clear();
  const auto before = os.values;
  const int changes = Changes();
  for (const Case& c : cases) {
    os.fileFacts[planted] = c.facts;
    EXPECT_EQ(Undo(), 2) << c.what;
    EXPECT_NE(startUp.output.find(c.reason), std::string::npos) << c.what << ": " << startUp.output;
    EXPECT_TRUE(LogHas(R"("result":"refused")")) << c.what;
  }
  EXPECT_EQ(Changes(), changes);
  EXPECT_EQ(os.values, before);
}

// A file named on the command line is the caller's choice, but it is still read through the
// handle that checks it, and what it says is still judged.
TEST_F(WayBack, ANamedFileIsTheCallersChoiceButStillChecked) {
  const std::string named = R"(C:\Users\Public\before.reg)";
  SaveAs(named);
  platform::FileFacts fat{.diskFile = true, .links = 1};
  fat.security.kept = false;
  os.fileFacts[named] = fat;
  EXPECT_EQ(Undo(named), 0) << "no owners to check on FAT";
  os.fileFacts[named].security = {.owner = Principal::kProcessUser, .ownerSid = "S-1-5-21-1"};
  EXPECT_EQ(Undo(named), 0) << "the administrator's own file, where the token is not split";
  os.account = {platform::RuntimeCall::kSucceeded, 2, false};
  EXPECT_EQ(Undo(named), 2) << "the same, where its unelevated processes could have written it";
  EXPECT_NE(startUp.output.find("belongs to the account Brisko runs as (S-1-5-21-1)"),
            std::string::npos);

  os.fileFacts.erase(named);
  os.files[named] =
      RegFile(Replaced(LivedInFile(), "\"Start\"=dword:00000003", "\"Start\"=dword:00000009"));
  EXPECT_EQ(Undo(named), 2);
  EXPECT_NE(startUp.output.find("a start type of 9, which no service has"), std::string::npos);
}

// The elevated process never loads a wallpaper from a share (it would hand the share the
// administrator's credentials) or anywhere else but a local drive; the registry gets it back
// all the same, for Windows to load at the next logon as the user.
TEST_F(WayBack, AWallpaperIsShownAgainOnlyFromALocalDrive) {
  struct Case {
    std::u16string path;
    bool shown;
  };
  const Case cases[] = {
      {u"C:\\Windows\\clouds.bmp", true},
      {u"d:/pictures/x.bmp", true},
      {u"", true},  // no wallpaper
      {u"\\\\host\\share\\x.bmp", false},
      {u"\\\\?\\UNC\\host\\share\\x.bmp", false},
      {u"\\\\?\\C:\\x.bmp", false},
      {u"\\\\.\\pipe\\x", false},
      {u"http://host/x.bmp", false},
      {u"file://host/x.bmp", false},
      {u"x.bmp", false},
      {u"C:x.bmp", false},
      {u"C:\\\u0141\u00f3d\u017a.bmp", false},  // beyond the ANSI call: left to the next logon
  };
  const std::string file = R"(C:\Users\Public\wallpaper.reg)";
  for (const Case& c : cases) {
    const std::string path = platform::Utf8FromUtf16(c.path);
    os.Put(kCu, R"(Control Panel\Desktop)", "Wallpaper", {platform::kRegSz, Utf16(c.path + u'\0')});
    SaveAs(file);
    os.values.clear();
    const int shownBefore = os.Count("SetDeskWallpaper");
    EXPECT_EQ(Undo(file), 0) << path;
    EXPECT_EQ(os.Count("SetDeskWallpaper") - shownBefore, c.shown ? 1 : 0) << path;
    const fakes::RegistryValue* restored = os.Find(kCu, R"(Control Panel\Desktop)", "Wallpaper");
    ASSERT_NE(restored, nullptr) << path;
    EXPECT_EQ(restored->data, Utf16(c.path + u'\0')) << path;
  }
}

// One setting that Windows refuses to put back (with an error code, not an exception) already
// makes /undo end with 1; the log and the person are told which.
TEST_F(WayBack, ASettingWindowsRefusesToPutBackEndsInOneAndIsNamed) {
  struct Case {
    const char* what;
    void (*arrange)(fakes::FakeOs&);
  };
  const Case cases[] = {
      {"a write refused",
       [](fakes::FakeOs& os) {
         os.Put(kLm, kRemoteRegistry, "Start", {platform::kRegDword, {2, 0, 0, 0}});
         os.changeErrors[kRemoteRegistryStart] = 5;
       }},
      {"a delete refused",
       [](fakes::FakeOs& os) {
         os.keys.insert(R"(2147483650\SYSTEM\CURRENTCONTROLSET\SERVICES\REMOTEREGISTRY)");
         os.changeErrors[kRemoteRegistryStart] = 5;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os = fakes::FakeOs();
    startUp = fakes::FakeStartUp();
    c.arrange(os);
    SaveAs(kSaved);
    os.values.erase(kRemoteRegistryStart);
    os.Put(kLm, kRemoteRegistry, "Start", {platform::kRegDword, {4, 0, 0, 0}});
    EXPECT_EQ(Undo("", true), 1);
    EXPECT_TRUE(LogHas(R"("key":"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\)"
                       R"(RemoteRegistry","name":"Start","result":"refused","error":5})"));
    // The 49 values and the wallpaper; the other services are not installed.
    EXPECT_TRUE(LogHas(R"("event":"end","exitCode":1,"settingsRestored":50,"settingsRefused":1})"));
    ASSERT_EQ(startUp.notices.size(), 1u);
    EXPECT_NE(startUp.notices[0].find("Windows refused to put back 1 setting:\r\n  "
                                      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\"
                                      "RemoteRegistry\\Start"),
              std::string::npos)
        << startUp.notices[0];
    EXPECT_NE(startUp.output.find("exit code 1; 50 settings put back"), std::string::npos);
  }
}

// A run nobody can account for must not report success: the end record not written, or any
// record lost on the way (a share that drops out for a moment), leaves the log incomplete.
TEST_F(WayBack, ALogThatCannotBeWrittenToItsEndGivesOne) {
  struct Case {
    const char* what;
    std::set<int> failing;
    std::string failingRecord;
  };
  const Case cases[] = {
      {"the end record", {}, R"("event":"end")"},
      {"one record, then the others again", {3}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os = fakes::FakeOs();
    startUp = fakes::FakeStartUp();
    startUp.logWritesFailing = c.failing;
    startUp.logRecordsFailing = c.failingRecord;
    EXPECT_EQ(Optimize(), 1);
    EXPECT_NE(startUp.output.find("The log could not be written completely."), std::string::npos);
    startUp.logWrites = 0;
    EXPECT_EQ(Undo(), 1);
    EXPECT_NE(startUp.output.find("The log could not be written completely."), std::string::npos);
    EXPECT_NE(startUp.output.find("exit code 1;"), std::string::npos) << startUp.output;
  }
}

TEST_F(WayBack, FromTheStartMenuThePersonIsAskedAndTold) {
  ASSERT_EQ(Optimize(), 0);
  const int changesOfTheRun = Changes();
  startUp.answer = false;
  EXPECT_EQ(Undo("", true), 0);
  ASSERT_EQ(startUp.questions.size(), 1u);
  EXPECT_NE(startUp.questions[0].find("on 2026-12-11 14:30:05 UTC"), std::string::npos);
  EXPECT_NE(startUp.questions[0].find(kSaved), std::string::npos);
  EXPECT_EQ(Changes(), changesOfTheRun) << "No puts nothing back";

  startUp.answer = true;
  EXPECT_EQ(Undo("", true), 0);
  ASSERT_EQ(startUp.notices.size(), 1u);
  EXPECT_NE(startUp.notices[0].find("49 settings, the start types of 0 services"),
            std::string::npos)
      << startUp.notices[0];
  EXPECT_NE(startUp.notices[0].find("when Windows next starts"), std::string::npos);
  EXPECT_EQ(startUp.notices[0].find("refused"), std::string::npos);
}

TEST_F(WayBack, OptimizeRunsNothingWhenItCannotSaveUnlessToldTo) {
  os.writeResult = 112;
  EXPECT_EQ(Optimize(), 2);
  EXPECT_EQ(Changes(), 0);
  EXPECT_TRUE(LogHas(R"("event":"backup","result":"not saved","reason":"cannot write )"));
  EXPECT_TRUE(LogHas(R"("event":"end","exitCode":2)"));

  EXPECT_EQ(Optimize(true), 0);
  EXPECT_EQ(os.Count("CreateProcess"), 74);
  EXPECT_TRUE(LogHas(R"("event":"backup","result":"skipped","reason":"/nobackup")"));
}
