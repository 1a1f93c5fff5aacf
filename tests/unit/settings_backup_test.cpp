// The way back: what a run saves before it changes anything, the registry file's text, reading
// it back, and putting the settings back from the button, /optimize and /undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/undo.h"
#include "app/unattended.h"
#include "catalogue/settings_backup.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_start_up.h"
#include "tests/unit/program_fixture.h"

using namespace std::literals;

namespace {

using catalogue::SavedSetting;
using catalogue::SettingKind;

constexpr std::uint32_t kCu = platform::kHkeyCurrentUser;
constexpr std::uint32_t kLm = platform::kHkeyLocalMachine;
const std::string kFolder = R"(C:\ProgramData\Brisko)";
const std::string kSaved = kFolder + R"(\brisko-before-optimize-2026-12-11-143005.reg)";

std::vector<std::uint8_t> Utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// The file's text as UTF-8, after its byte-order mark.
std::string Text(const std::vector<std::uint8_t>& bytes) {
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  return platform::Utf8FromUtf16(units);
}

// A file of the given text, as the Registry Editor writes one.
std::vector<std::uint8_t> RegFile(const std::string& text) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  const std::vector<std::uint8_t> body = Utf16(platform::Utf16FromUtf8(text));
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
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
  put("DisablePagingExecutive", platform::kRegSz, Utf16(u"no terminator"));
  put("LargeSystemCache", platform::kRegExpandSz, Utf16(u"%SystemRoot%\0"s));
  put("NoActiveDesktop", platform::kRegMultiSz, Utf16(u"one\0two\0\0"s));
  put("EnableBalloonTips", platform::kRegBinary, std::vector<std::uint8_t>(40, 0xAB));
  put("FontSmoothing", platform::kRegDword, {1, 2, 3});  // three bytes: not a plain dword
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

}  // namespace

TEST(SettingsFile, EachKindOfValueIsWrittenAsTheRegistryEditorWritesIt) {
  const std::string text = Text(catalogue::SettingsFile(LivedIn(), kWhen));
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n;", 0), 0u);
  EXPECT_NE(text.find("on LAB-07 at 2026-12-11 14:30:05 (local time)."), std::string::npos);
  EXPECT_NE(text.find("What no file can bring back"), std::string::npos);
  struct Case {
    const char* what;
    std::string line;
  };
  const Case cases[] = {
      {"absent", "\"VisualFXSetting\"=-\r\n"},
      {"dword", "\"DefaultApplied\"=dword:00000002\r\n"},
      {"text with quotes, backslashes and beyond ASCII",
       "\"MenuShowDelay\"=\"a \\\"quoted\\\" C:\\\\path \xC5\x81\xC3\xB3" "d\xC5\xBA\"\r\n"},
      {"text without its terminator", "\"DisablePagingExecutive\"=hex(1):6e,00,6f,00,20,00,"},
      {"expandable text", "\"LargeSystemCache\"=hex(2):25,00,53,00,"},
      {"list of texts", "\"NoActiveDesktop\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,"},
      {"bytes, wrapped as the editor wraps them", "\"EnableBalloonTips\"=hex:ab,ab,"},
      {"a three-byte dword", "\"FontSmoothing\"=hex(4):01,02,03\r\n"},
      {"HKEY_USERS", "[HKEY_USERS\\.DEFAULT\\AppEvents\\Schemes]\r\n\"Default\"=\".Current\"\r\n"},
      {"a service", "\\Services\\RemoteRegistry]\r\n\"Start\"=dword:00000003\r\n"},
      {"a service that is not installed", "\r\n;   WmiApSrv\r\n"},
      {"the wallpaper", "\"Wallpaper\"=\"C:\\\\Windows\\\\clouds.bmp\"\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_NE(text.find(c.line), std::string::npos) << c.what << ": " << c.line;
  }
  EXPECT_EQ(text.find("WmiApSrv]"), std::string::npos) << "no section for a missing service";
  EXPECT_EQ(text.find("[-"), std::string::npos) << "a key is never deleted";
  EXPECT_NE(text.find(",\\\r\n  ab,"), std::string::npos) << "long hex continues on the next line";
  // One section per key, whatever the case of its spellings in the run's table.
  EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\FileSystem]"),
            std::string::npos);
}

TEST(SettingsFile, ReadsBackToTheSameSettings) {
  std::vector<SavedSetting> settings = LivedIn();
  std::vector<SavedSetting> parsed;
  std::string reason;
  ASSERT_TRUE(catalogue::ParseSettingsFile(catalogue::SettingsFile(settings, kWhen), &parsed,
                                           &reason))
      << reason;
  std::erase_if(settings, [](const SavedSetting& s) { return !s.keyFound; });
  // The file groups values by key; put both in the same order to compare.
  const auto order = [](const SavedSetting& a, const SavedSetting& b) {
    return std::tie(a.root, a.keyPath, a.valueName) < std::tie(b.root, b.keyPath, b.valueName);
  };
  std::sort(settings.begin(), settings.end(), order);
  std::sort(parsed.begin(), parsed.end(), order);
  EXPECT_EQ(parsed, settings);
}

TEST(SettingsFile, DamagedOrForeignFilesAreRefused) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string desktop = "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n";
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const std::string utf8 = head + desktop + "\"Wallpaper\"=\"\"\r\n";
  const Case cases[] = {
      {"UTF-8, not UTF-16", std::vector<std::uint8_t>(utf8.begin(), utf8.end())},
      {"another first line", RegFile("REGEDIT4\r\n\r\n" + desktop)},
      {"a key the run does not touch", RegFile(head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n")},
      {"a value the run does not write", RegFile(head + desktop + "\"Shell\"=\"evil.exe\"\r\n")},
      {"a key to delete", RegFile(head + "[-HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n")},
      {"a default value", RegFile(head + desktop + "@=\"x\"\r\n")},
      {"a value before any key", RegFile(head + "\"Wallpaper\"=\"\"\r\n")},
      {"bad hex", RegFile(head + desktop + "\"Wallpaper\"=hex(2):zz,00\r\n")},
      {"a short dword", RegFile(head + desktop + "\"Wallpaper\"=dword:123\r\n")},
      {"no value", RegFile(head + desktop + "\"Wallpaper\"\r\n")},
      {"an unclosed text", RegFile(head + desktop + "\"Wallpaper\"=\"C:\\\\x\r\n")},
      {"cut short", {0xFF, 0xFE, 0x57}},
  };
  for (const Case& c : cases) {
    std::vector<SavedSetting> parsed;
    std::string reason;
    EXPECT_FALSE(catalogue::ParseSettingsFile(c.bytes, &parsed, &reason)) << c.what;
    EXPECT_FALSE(reason.empty()) << c.what;
  }
}

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
  const std::string text = Text(os.files.at(kSaved));
  EXPECT_NE(text.find("\"MenuShowDelay\"=\"400\""), std::string::npos);
  EXPECT_NE(text.find("Services\\Alerter]\r\n\"Start\"=dword:00000002"), std::string::npos);
  EXPECT_NE(text.find("Services\\Themes]\r\n\"Start\"=-"), std::string::npos);
  EXPECT_NE(text.find(";   RemoteRegistry\r\n"), std::string::npos);

  // A second run in the same second gets a file of its own.
  EXPECT_EQ(catalogue::SaveSettingsBeforeRun(system).path,
            kFolder + R"(\brisko-before-optimize-2026-12-11-143005-2.reg)");
  EXPECT_EQ(catalogue::NewestSettingsFile(os),
            kFolder + R"(\brisko-before-optimize-2026-12-11-143005-2.reg)");
}

TEST(SavingSettings, NothingIsSavedWhereTheFolderOrTheRegistryCannotBeTrusted) {
  struct Case {
    const char* what;
    void (*arrange)(fakes::FakeOs&);
  };
  const Case cases[] = {
      {"the folder leads elsewhere",
       [](fakes::FakeOs& os) { os.folders[kFolder] = {true, true, true, true}; }},
      {"another user made the folder",
       [](fakes::FakeOs& os) { os.folders[kFolder] = {true, true, false, false}; }},
      {"a file of that name", [](fakes::FakeOs& os) { os.folders[kFolder] = {true, false}; }},
      {"the folder cannot be made", [](fakes::FakeOs& os) { os.createFolderResult = 5; }},
      {"the disk is full", [](fakes::FakeOs& os) { os.writeResult = 112; }},
      {"a value cannot be read",
       [](fakes::FakeOs& os) {
         os.readErrors[R"(2147483649\CONTROL PANEL\DESKTOP|MENUSHOWDELAY)"] = 5;
         os.keys.insert(R"(2147483649\CONTROL PANEL\DESKTOP)");
       }},
  };
  for (const Case& c : cases) {
    fakes::FakeOs os;
    c.arrange(os);
    platform::Os system = os.Os();
    const catalogue::SaveOutcome outcome = catalogue::SaveSettingsBeforeRun(system);
    EXPECT_FALSE(outcome.saved) << c.what;
    EXPECT_FALSE(outcome.reason.empty()) << c.what;
    EXPECT_TRUE(os.files.empty()) << c.what;
  }
  // FAT keeps no owners, and every user may change everything on it anyway: the folder is used.
  fakes::FakeOs fat;
  fat.folders[kFolder] = {.exists = true, .directory = true, .accessControl = false};
  platform::Os fatSystem = fat.Os();
  EXPECT_TRUE(catalogue::SaveSettingsBeforeRun(fatSystem).saved);
}

TEST(SavingSettings, TheNewestFileIsFoundByItsNameOnly) {
  fakes::FakeOs os;
  for (const char* name :
       {"brisko-before-optimize-2026-12-10-235959.reg", "brisko-before-optimize-2026-12-11-080000.reg",
        "brisko-before-optimize-2026-12-11-080000-3.reg", "zz-planted-2099-01-01-000000.reg",
        "brisko-before-optimize-2099-01-01-000000.reg.txt", "brisko-before-optimize-2099-1-1.reg"}) {
    os.files[kFolder + "\\" + name] = {};
  }
  EXPECT_EQ(catalogue::NewestSettingsFile(os),
            kFolder + "\\brisko-before-optimize-2026-12-11-080000-3.reg");
  EXPECT_EQ(catalogue::SavedAt(kSaved), "2026-12-11 14:30:05");
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
}

namespace {

class WayBack : public ::testing::Test {
 protected:
  int Optimize(bool noBackup = false) {
    return app::RunOptimize({.action = app::Action::kOptimize, .logPath = "C:\\o.log",
                             .noBackup = noBackup},
                            system, startUp, 1000);
  }
  int Undo(const std::string& file = "", bool ask = false) {
    startUp.log.clear();
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
  // All in the 64-bit view, where the run wrote.
  EXPECT_EQ(os.Count("CreateKey"), 0);
  for (const std::string& call : os.trace) {
    if (call.rfind("CreateKeyEx ", 0) == 0 || call.rfind("OpenKey ", 0) == 0) {
      const unsigned long access = std::stoul(call.substr(call.find("access ") + 7), nullptr, 16);
      EXPECT_NE(access & platform::kKeyWow64_64Key, 0u) << call;
    }
  }
  EXPECT_TRUE(LogHas(R"("event":"undo","file":)"));
  EXPECT_TRUE(LogHas(R"("event":"end","exitCode":0,"settingsRestored":)"));
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
  os.files[kFolder + "\\brisko-before-optimize-2026-12-11-143005.reg"] =
      RegFile("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
              "Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"evil.exe\"\r\n");
  EXPECT_EQ(Undo(), 2) << "a foreign file";
  EXPECT_EQ(Undo(R"(C:\nowhere.reg)"), 2) << "a missing file";
  EXPECT_EQ(Changes(), 0);

  startUp.lockHeldFor = -1;
  EXPECT_EQ(Undo(), 1618) << "another Brisko runs";
}

TEST_F(WayBack, FromTheStartMenuThePersonIsAskedAndTold) {
  ASSERT_EQ(Optimize(), 0);
  const int changesOfTheRun = Changes();
  startUp.answer = false;
  EXPECT_EQ(Undo("", true), 0);
  ASSERT_EQ(startUp.questions.size(), 1u);
  EXPECT_NE(startUp.questions[0].find("on 2026-12-11 14:30:05"), std::string::npos);
  EXPECT_NE(startUp.questions[0].find(kSaved), std::string::npos);
  EXPECT_EQ(Changes(), changesOfTheRun) << "No puts nothing back";

  startUp.answer = true;
  EXPECT_EQ(Undo("", true), 0);
  ASSERT_EQ(startUp.notices.size(), 1u);
  EXPECT_NE(startUp.notices[0].find("49 settings, the start types of 0 services"),
            std::string::npos)
      << startUp.notices[0];
  EXPECT_NE(startUp.notices[0].find("when Windows next starts"), std::string::npos);
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
