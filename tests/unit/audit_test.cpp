// /audit on fakes: the state of each kind of setting in each way it can be found, what a run
// leaves held to the reviewed record of a run, and the command: its exit codes, its lines and
// summary, the message box, the log, and that it writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/audit.h"
#include "app/unattended.h"
#include "catalogue/settings_audit.h"
#include "platform/system_constants.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_start_up.h"

using namespace std::literals;

namespace {

using catalogue::AuditState;
using catalogue::SettingKind;

constexpr std::uint32_t kCu = platform::kHkeyCurrentUser;
constexpr std::uint32_t kLm = platform::kHkeyLocalMachine;
constexpr std::uint32_t kSz = platform::kRegSz;
constexpr std::uint32_t kDword = platform::kRegDword;
const std::string kMemory = R"(SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management)";
const std::string kDfrg = R"(SOFTWARE\Microsoft\Dfrg\BootOptimizeFunction)";
const std::string kAlerter = R"(SYSTEM\CurrentControlSet\Services\Alerter)";
const std::string kDesktop = R"(Control Panel\Desktop)";
const std::string kTime = R"({"time":"2026-12-10T08:30:05.042Z",)";

std::vector<std::uint8_t> Utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<std::uint8_t> Dword(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// The fake's name for a key or a value: "64:root\KEY|NAME", without "64:" for the 32-bit view.
std::string Id(std::uint32_t root, const std::string& path, const std::string& name = "",
               bool view64 = true) {
  std::string id = (view64 ? "64:" : "") + std::to_string(root) + "\\" + path;
  if (!name.empty()) id += "|" + name;
  std::transform(id.begin(), id.end(), id.begin(), ::toupper);
  return id;
}

std::string LastLine(const std::string& output) {
  const std::size_t end = output.size() >= 2 ? output.size() - 2 : 0;
  const std::size_t before = output.rfind("\r\n", end == 0 ? 0 : end - 1);
  return output.substr(before == std::string::npos ? 0 : before + 2);
}

const catalogue::AuditedSetting& Find(const std::vector<catalogue::AuditedSetting>& settings,
                                      SettingKind kind, const std::string& keyPath,
                                      const std::string& name) {
  const auto found = std::find_if(settings.begin(), settings.end(), [&](const auto& s) {
    return s.now.kind == kind && s.now.keyPath == keyPath && s.now.valueName == name;
  });
  EXPECT_NE(found, settings.end()) << keyPath << " " << name;
  return *found;
}

}  // namespace

// Every kind of setting, in every way a machine can hold it. The registry is 64-bit Windows'
// seen by the 32-bit program, so a value only in the 32-bit view is not where a run writes.
TEST(SettingsAudit, EachKindOfSettingInEachState) {
  struct Case {
    const char* what;
    SettingKind kind;
    std::string keyPath, name;
    std::function<void(fakes::FakeOs&)> arrange;
    AuditState state;
  };
  const auto put = [](std::uint32_t root, std::string key, std::string name, std::uint32_t type,
                      std::vector<std::uint8_t> data) {
    return [=](fakes::FakeOs& os) { os.Put(root, key, name, {type, data}, true); };
  };
  const auto nothing = [](fakes::FakeOs&) {};
  const SettingKind value = SettingKind::kTweak, service = SettingKind::kServiceStart,
                    wallpaper = SettingKind::kWallpaper;
  const std::string large = "LargeSystemCache", enable = "Enable", start = "Start",
                    paper = "Wallpaper";
  const std::vector<Case> cases = {
      // A REG_DWORD the run writes (1).
      {"dword as run", value, kMemory, large, put(kLm, kMemory, large, kDword, Dword(1)),
       AuditState::kAsRun},
      {"dword, other data", value, kMemory, large, put(kLm, kMemory, large, kDword, Dword(0)),
       AuditState::kDiffers},
      {"dword, other type", value, kMemory, large, put(kLm, kMemory, large, kSz, Utf16(u"1\0"s)),
       AuditState::kDiffers},
      {"dword of three bytes", value, kMemory, large, put(kLm, kMemory, large, kDword, {1, 0, 0}),
       AuditState::kDiffers},
      {"absent, its key there", value, kMemory, large,
       put(kLm, kMemory, "EnablePrefetcher", kDword, Dword(0)), AuditState::kAbsent},
      {"key missing", value, kMemory, large, nothing, AuditState::kAbsent},
      {"only in the 32-bit view", value, kMemory, large,
       [&](fakes::FakeOs& os) {
         os.Put(kLm, kMemory, large, {kDword, Dword(1)}, false);
       },
       AuditState::kAbsent},
      {"dword unreadable", value, kMemory, large,
       [&](fakes::FakeOs& os) {
         os.keys.insert(Id(kLm, kMemory));
         os.readErrors[Id(kLm, kMemory, large)] = 5;
       },
       AuditState::kUnreadable},
      // A REG_SZ the run writes ("y"), compared byte for byte as the registry keeps it.
      {"text as run", value, kDfrg, enable, put(kLm, kDfrg, enable, kSz, Utf16(u"y\0"s)),
       AuditState::kAsRun},
      {"text, other data", value, kDfrg, enable, put(kLm, kDfrg, enable, kSz, Utf16(u"Y\0"s)),
       AuditState::kDiffers},
      {"text without its terminator", value, kDfrg, enable,
       put(kLm, kDfrg, enable, kSz, Utf16(u"y")), AuditState::kDiffers},
      {"text with a second terminator", value, kDfrg, enable,
       put(kLm, kDfrg, enable, kSz, Utf16(u"y\0\0"s)), AuditState::kDiffers},
      {"text of another type", value, kDfrg, enable,
       put(kLm, kDfrg, enable, platform::kRegExpandSz, Utf16(u"y\0"s)), AuditState::kDiffers},
      {"text absent", value, kDfrg, enable, nothing, AuditState::kAbsent},
      // The start type of a service the run disables (4).
      {"service disabled", service, kAlerter, start, put(kLm, kAlerter, start, kDword, Dword(4)),
       AuditState::kAsRun},
      {"service automatic", service, kAlerter, start, put(kLm, kAlerter, start, kDword, Dword(2)),
       AuditState::kDiffers},
      {"service without a start type", service, kAlerter, start,
       put(kLm, kAlerter, "Type", kDword, Dword(0x20)), AuditState::kAbsent},
      {"service not installed", service, kAlerter, start, nothing, AuditState::kNotApplicable},
      {"service unreadable", service, kAlerter, start,
       [&](fakes::FakeOs& os) {
         os.Put(kLm, kAlerter, "Type", {kDword, Dword(0x20)}, true);
         os.refusedRoots = {kLm};
       },
       AuditState::kUnreadable},
      // The wallpaper, which the run empties through the system.
      {"wallpaper empty", wallpaper, kDesktop, paper, put(kCu, kDesktop, paper, kSz, {0, 0}),
       AuditState::kAsRun},
      {"wallpaper absent: no wallpaper either", wallpaper, kDesktop, paper, nothing,
       AuditState::kAsRun},
      {"a wallpaper", wallpaper, kDesktop, paper,
       put(kCu, kDesktop, paper, kSz, Utf16(u"C:\\Windows\\clouds.bmp\0"s)), AuditState::kDiffers},
      {"wallpaper of no bytes at all", wallpaper, kDesktop, paper,
       put(kCu, kDesktop, paper, kSz, {}), AuditState::kDiffers},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeOs os;
    os.wow64 = true;
    c.arrange(os);
    const auto audited = catalogue::AuditSettings(os);
    ASSERT_EQ(audited.size(), 80u);
    const catalogue::AuditedSetting& setting = Find(audited, c.kind, c.keyPath, c.name);
    EXPECT_EQ(setting.state, c.state);
    if (c.state == AuditState::kUnreadable) {
      EXPECT_EQ(setting.error, 5);
    }
  }
}

// A failure inside the program spoils one setting, never the audit: the others are read.
TEST(SettingsAudit, ASettingThatFailsIsUnreadableAndTheRestAreRead) {
  fakes::FakeOs os;
  os.FailOn("OpenKey", 3);
  const auto audited = catalogue::AuditSettings(os);
  ASSERT_EQ(audited.size(), 80u);
  EXPECT_EQ(audited[2].state, AuditState::kUnreadable);
  EXPECT_EQ(audited[2].reason, "OpenKey refused");
  EXPECT_EQ(audited[3].state, AuditState::kAbsent);
  EXPECT_EQ(audited[79].state, AuditState::kAsRun);
}

// What a run leaves, setting by setting in the run's order, against the reviewed record of a
// run: the values as written there (text in UTF-16LE with one terminator), the disabled
// services of its `sc config` lines, and an empty wallpaper.
TEST(SettingsAudit, WhatARunLeavesIsWhatTheReviewedRecordSays) {
  std::ifstream file(BRISKO_SOURCE_DIR "/tests/fixtures/run_effects.txt");
  ASSERT_TRUE(file.is_open());
  std::vector<catalogue::RegistryData> recorded, disabled;
  std::vector<std::string> services;
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with("VALUE ")) {
      std::vector<std::string> fields;
      std::istringstream row(line.substr(6));
      for (std::string field; std::getline(row, field, '|');) fields.push_back(field);
      ASSERT_EQ(fields.size(), 5u) << line;
      if (fields[3] == "4") {
        recorded.push_back({kDword, Dword(static_cast<std::uint32_t>(std::stol(fields[4])))});
      } else {
        std::u16string text(fields[4].begin(), fields[4].end());  // the record's texts are ASCII
        recorded.push_back({kSz, Utf16(text + u'\0')});
      }
    } else if (line.starts_with("LINE cmd /c sc config ")) {
      services.push_back(line.substr(22, line.find(' ', 22) - 22));
      disabled.push_back({kDword, Dword(4)});
    }
  }
  recorded.insert(recorded.end(), disabled.begin(), disabled.end());
  recorded.push_back({kSz, {0, 0}});
  fakes::FakeOs os;
  const auto audited = catalogue::AuditSettings(os);
  ASSERT_EQ(audited.size(), recorded.size());
  for (std::size_t i = 0; i < audited.size(); ++i) {
    EXPECT_EQ(audited[i].run, recorded[i])
        << "setting " << i + 1 << ": " << audited[i].now.keyPath << " " << audited[i].now.valueName;
  }
  ASSERT_EQ(services.size(), 30u);
  EXPECT_EQ(audited[49].now.keyPath, R"(SYSTEM\CurrentControlSet\Services\)" + services[0]);
}

namespace {

class AuditTest : public ::testing::Test {
 protected:
  int Audit(const std::string& logPath = R"(C:\audit.log)") {
    startUp.log.clear();
    startUp.output.clear();
    return app::RunAudit({.action = app::Action::kAudit, .logPath = logPath}, system, startUp);
  }

  // The machine as a run leaves it: /optimize's own writes, a service manager that disabled
  // the installed services, and the run's text as RegSetValueExA keeps it, in UTF-16.
  void RunOnce() {
    fakes::FakeStartUp runStartUp;
    ASSERT_EQ(app::RunOptimize({.action = app::Action::kOptimize}, system, runStartUp, 1000), 0);
    for (auto& [name, value] : os.values) {
      if (value.type != kSz || value.data.empty() || value.data.back() != 0) continue;
      value.data.pop_back();
      value.data = Utf16(std::u16string(value.data.begin(), value.data.end()) + u'\0');
    }
    for (const char* installed : {"Alerter", "Themes", "W32time"}) {
      os.Put(kLm, R"(SYSTEM\CurrentControlSet\Services\)"s + installed, "Start", {kDword, Dword(4)},
             os.wow64);
    }
    os.trace.clear();
  }

  // Calls of that name since the run.
  int Calls(const std::string& name) const {
    return static_cast<int>(std::count_if(os.trace.begin(), os.trace.end(), [&](const auto& call) {
      return call.rfind(name + " ", 0) == 0 || call == name;
    }));
  }

  std::vector<std::string> Records(const std::string& event) const {
    std::vector<std::string> found;
    for (const std::string& line : startUp.log) {
      if (line.find(R"("event":")" + event + R"(")") != std::string::npos) found.push_back(line);
    }
    return found;
  }

  fakes::FakeOs os;
  platform::Os system = os.Os();
  fakes::FakeStartUp startUp;
};

}  // namespace

TEST_F(AuditTest, AMachineAsARunLeftItGivesZeroAndOneChangedValueIsNamedAlone) {
  os.wow64 = true;
  RunOnce();
  EXPECT_EQ(Audit(""), 0);
  EXPECT_EQ(startUp.output,
            "Brisko /audit: exit code 0; 53 of 53 settings are as Brisko leaves them; 0 differ. "
            "27 of the 30 services a run disables are not installed here, so they are not "
            "counted.\r\n");

  os.Put(kCu, kDesktop, "MenuShowDelay", {kSz, Utf16(u"400\0"s)}, true);
  EXPECT_EQ(Audit(""), 1);
  EXPECT_EQ(startUp.output,
            "HKEY_CURRENT_USER\\Control Panel\\Desktop \"MenuShowDelay\": now REG_SZ \"400\", a "
            "run writes REG_DWORD 0\r\n"
            "Brisko /audit: exit code 1; 52 of 53 settings are as Brisko leaves them; 1 differs. "
            "27 of the 30 services a run disables are not installed here, so they are not "
            "counted.\r\n");
}

TEST_F(AuditTest, AFreshMachineListsEverySettingARunWouldChangeInTheRunsOrder) {
  os.Put(kLm, kAlerter, "Start", {kDword, Dword(2)});
  os.Put(kLm, kMemory, "LargeSystemCache", {kDword, {7, 0, 0, 0, 0, 0, 0, 0}});
  os.Put(kLm, kDfrg, "Enable", {kSz, Utf16(u"n\0"s)});
  os.Put(kCu, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced)", "EnableBalloonTips",
         {platform::kRegBinary, std::vector<std::uint8_t>(20, 0xAB)});
  EXPECT_EQ(Audit(""), 1);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = startUp.output.find("\r\n", at)) != std::string::npos;
       at = end + 2) {
    lines.push_back(startUp.output.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 51u);  // 49 values, one installed service, the summary
  EXPECT_EQ(lines[0],
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
            "VisualEffects \"VisualFXSetting\": absent, a run writes REG_DWORD 2");
  EXPECT_EQ(lines[18],
            "HKEY_LOCAL_MACHINE\\" + kMemory +
                " \"LargeSystemCache\": now REG_DWORD hex:07,00,00,00,00,00,00,00, a run writes "
                "REG_DWORD 1");
  EXPECT_EQ(lines[36], "HKEY_LOCAL_MACHINE\\" + kDfrg +
                           " \"Enable\": now REG_SZ \"n\", a run writes REG_SZ \"y\"");
  EXPECT_EQ(lines[48],
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced "
            "\"EnableBalloonTips\": now REG_BINARY "
            "hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,... (20 bytes), a run writes "
            "REG_DWORD 0");
  EXPECT_EQ(lines[49], "HKEY_LOCAL_MACHINE\\" + kAlerter +
                           " \"Start\": now REG_DWORD 2, a run writes REG_DWORD 4");
  EXPECT_EQ(lines[50],
            "Brisko /audit: exit code 1; 1 of 51 settings are as Brisko leaves them; 50 differ. "
            "29 of the 30 services a run disables are not installed here, so they are not "
            "counted.");
}

// One record per setting, in the run's order, with its identity as the run's and the way
// back's logs give it; then the counts.
TEST_F(AuditTest, TheLogHasARecordForEverySettingAndTheCounts) {
  os.wow64 = true;
  os.Put(kLm, kAlerter, "Start", {kDword, Dword(4)}, true);
  os.Put(kLm, kDfrg, "Enable", {kSz, Utf16(u"y")}, true);  // no terminator
  os.Put(kCu, kDesktop, "MenuShowDelay", {kSz, Utf16(u"a \"b\" \\c\0"s)}, true);
  os.keys.insert(Id(kLm, kMemory));
  os.readErrors[Id(kLm, kMemory, "EnablePrefetcher")] = 5;
  os.systemMessages[5] = "Access is denied.";
  EXPECT_EQ(Audit(), 2);  // a setting could not be read
  EXPECT_EQ(startUp.log.front().rfind(kTime + R"("event":"start","program":"Brisko",)", 0), 0u);
  const std::vector<std::string> records = Records("setting");
  ASSERT_EQ(records.size(), 80u);
  const std::string cases[] = {
      R"("event":"setting","number":1,"kind":"value","view":"64-bit","root":"HKEY_CURRENT_USER",)"
      R"("key":"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\)"
      R"(VisualEffects","name":"VisualFXSetting","state":"absent","runType":"REG_DWORD","run":2})",
      R"("event":"setting","number":20,"kind":"value","view":"64-bit",)"
      R"("root":"HKEY_LOCAL_MACHINE","key":"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\)"
      R"(Control\\Session Manager\\Memory Management","name":"EnablePrefetcher",)"
      R"("state":"unreadable","error":5,"reason":"Access is denied.","runType":"REG_DWORD",)"
      R"("run":0})",
      R"("event":"setting","number":25,"kind":"value","view":"64-bit","root":"HKEY_CURRENT_USER",)"
      R"("key":"HKEY_CURRENT_USER\\Control Panel\\Desktop","name":"MenuShowDelay",)"
      R"("state":"differs","nowType":"REG_SZ","now":"a \"b\" \\c","runType":"REG_DWORD",)"
      R"("run":0})",
      R"("event":"setting","number":37,"kind":"value","view":"64-bit",)"
      R"("root":"HKEY_LOCAL_MACHINE","key":"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Dfrg\\)"
      R"(BootOptimizeFunction","name":"Enable","state":"differs","nowType":"REG_SZ",)"
      R"("nowBytes":"79,00","runType":"REG_SZ","run":"y"})",
      R"("event":"setting","number":50,"kind":"service","view":"64-bit",)"
      R"("root":"HKEY_LOCAL_MACHINE","key":"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\)"
      R"(Services\\RemoteRegistry","name":"Start","state":"not applicable",)"
      R"("runType":"REG_DWORD","run":4})",
      R"("event":"setting","number":51,"kind":"service","view":"64-bit",)"
      R"("root":"HKEY_LOCAL_MACHINE","key":"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\)"
      R"(Services\\Alerter","name":"Start","state":"as run","nowType":"REG_DWORD","now":4,)"
      R"("runType":"REG_DWORD","run":4})",
      R"("event":"setting","number":80,"kind":"wallpaper","view":"64-bit",)"
      R"("root":"HKEY_CURRENT_USER","key":"HKEY_CURRENT_USER\\Control Panel\\Desktop",)"
      R"("name":"Wallpaper","state":"as run","runType":"REG_SZ","run":""})",
  };
  for (const std::string& expected : cases) {
    const int number = std::stoi(expected.substr(expected.find("\"number\":") + 9));
    EXPECT_EQ(records[number - 1], kTime + expected + "\r\n");
  }
  EXPECT_EQ(startUp.log.back(),
            kTime +
                R"("event":"end","exitCode":2,"settings":80,"settingsAsRun":2,)"
                R"("settingsDiffering":2,"settingsAbsent":46,"settingsNotApplicable":29,)"
                R"("settingsUnreadable":1})" +
                "\r\n");
  EXPECT_NE(startUp.output.find("\"EnablePrefetcher\": cannot be read: Access is denied.\r\n"),
            std::string::npos);
  EXPECT_NE(startUp.output.find("; 48 differ; 1 could not be read. 29 of the 30"),
            std::string::npos)
      << startUp.output;
}

// Read-only: the lock is let go before the first read, and nothing is written, started or
// saved; only the log that /log asked for.
TEST_F(AuditTest, NothingIsWrittenStartedOrSaved) {
  os.wow64 = true;
  RunOnce();
  os.Put(kCu, kDesktop, "Wallpaper", {kSz, Utf16(u"C:\\clouds.bmp\0"s)}, true);
  const auto values = os.values;
  const auto files = os.files;
  const auto keys = os.keys;
  class WatchedStartUp : public fakes::FakeStartUp {
   public:
    explicit WatchedStartUp(fakes::FakeOs& os) : os_(os) {}
    void ReleaseMachineLock() override {
      readsBeforeRelease = static_cast<int>(os_.trace.size());
      FakeStartUp::ReleaseMachineLock();
    }
    int readsBeforeRelease = -1;

   private:
    fakes::FakeOs& os_;
  } watched(os);
  EXPECT_EQ(
      app::RunAudit({.action = app::Action::kAudit, .logPath = R"(C:\audit.log)"}, system, watched),
      1);
  // Before the lock is let go only the log's path is looked at (its full path, and the drive's
  // root it is in), and Windows' version asked.
  EXPECT_EQ(watched.readsBeforeRelease, 5) << os.trace[0];
  EXPECT_EQ(watched.trace,
            (std::vector<std::string>{"QuietErrors", "TakeMachineLock", "OpenLog C:\\audit.log",
                                      "EmptyLog", "ReleaseMachineLock"}));
  EXPECT_EQ(os.values, values);
  EXPECT_EQ(os.files, files);
  EXPECT_EQ(os.keys, keys);
  for (const std::string& call : os.trace) {
    const std::string name = call.substr(0, call.find(' '));
    EXPECT_TRUE(name == "OpenKey" || name == "QueryValue" || name == "CloseKey" ||
                name == "IsWow64Process" || name == "GetVersionEx" || name == "FullPath" ||
                name == "OpenFolder" || name == "FolderFactsOf" || name == "CloseFolder")
        << call;
    EXPECT_EQ(call.find("for change"), std::string::npos) << "no folder is changed: " << call;
    if (name == "OpenKey") {
      EXPECT_NE(call.find("access 0x00020119"), std::string::npos) << "KEY_READ, 64-bit: " << call;
    }
  }
  EXPECT_EQ(watched.log.size(), 82u);
}

// Each way an audit can end, with its exit code and what whoever started it is told.
TEST_F(AuditTest, ExitCodes) {
  struct Case {
    const char* what;
    std::function<void(fakes::FakeOs&, fakes::FakeStartUp&)> arrange;
    int exitCode;
    std::string said;  // the start of the last line of output
    bool settingsRead;
  };
  const std::string as = "Brisko /audit: exit code ";
  const std::vector<Case> cases = {
      {"all as a run leaves them", [](fakes::FakeOs&, fakes::FakeStartUp&) {}, 0,
       as + "0; 53 of 53", true},
      {"one differs",
       [](fakes::FakeOs& os, fakes::FakeStartUp&) {
         os.Put(kLm, kAlerter, "Start", {kDword, Dword(3)});
       },
       1, as + "1; 52 of 53", true},
      {"one absent",
       [](fakes::FakeOs& os, fakes::FakeStartUp&) {
         os.values.erase(Id(kLm, kDfrg, "Enable", false));
       },
       1, as + "1; 52 of 53", true},
      {"one unreadable beside one that differs",
       [](fakes::FakeOs& os, fakes::FakeStartUp&) {
         os.Put(kLm, kAlerter, "Start", {kDword, Dword(3)});
         os.readErrors[Id(kCu, kDesktop, "MenuShowDelay", false)] = 1018;
       },
       2, as + "2; 51 of 53 settings are as Brisko leaves them; 1 differs; 1 could not be read",
       true},
      {"another Brisko runs", [](fakes::FakeOs&, fakes::FakeStartUp& s) { s.lockHeldFor = -1; },
       1618, "Brisko /audit: another Brisko is running on this computer", false},
      {"the lock is someone else's", [](fakes::FakeOs&, fakes::FakeStartUp& s) { s.lockError = 5; },
       2, "Brisko /audit: the machine-wide lock (Global namespace) may not be opened", false},
      {"the log is a link",
       [](fakes::FakeOs&, fakes::FakeStartUp& s) { s.logFacts.reparsePoint = true; }, 2,
       "Brisko /audit: cannot write the log file C:\\audit.log: it is a junction", false},
      {"the log fails part-way",
       [](fakes::FakeOs&, fakes::FakeStartUp& s) { s.logWritesAccepted = 10; }, 2,
       as + "2; 53 of 53 settings are as Brisko leaves them; 0 differ. 27 of the 30 services",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os = fakes::FakeOs();
    RunOnce();
    startUp = fakes::FakeStartUp();
    c.arrange(os, startUp);
    EXPECT_EQ(Audit(), c.exitCode);
    const std::string last = LastLine(startUp.output);
    EXPECT_EQ(last.rfind(c.said, 0), 0u) << last;
    EXPECT_EQ(Calls("QueryValue") > 0, c.settingsRead);
    const auto ends = Records("end");
    if (c.exitCode == 1618 || c.what == "the log is a link"s) {
      EXPECT_TRUE(startUp.log.empty()) << "a run's log is never touched";
    } else if (c.what != "the log fails part-way"s) {
      ASSERT_EQ(ends.size(), 1u);
      EXPECT_NE(ends[0].find(R"("exitCode":)" + std::to_string(c.exitCode)), std::string::npos);
    }
    EXPECT_TRUE(startUp.notices.empty());
  }
}

// Started from the desktop there is no console: a message box says the summary and where the
// details are, but only on a desktop a person can see; on a service's, or in session 0 since
// Vista, it would wait for ever, and nothing is shown.
TEST_F(AuditTest, WithoutAConsoleAMessageBoxWhereAPersonSeesIt) {
  RunOnce();
  os.Put(kLm, kAlerter, "Start", {kDword, Dword(3)});
  struct Case {
    const char* what;
    platform::Station station;
    std::uint32_t windowsMajor;
    bool shown;
  };
  const Case cases[] = {
      {"a user's desktop", {.visible = true, .session = 1}, 10, true},
      {"XP's console session is session 0", {.visible = true, .session = 0}, 5, true},
      {"session 0 since Vista", {.visible = true, .session = 0}, 6, false},
      {"a service's window station", {.visible = false, .session = 1}, 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    startUp = fakes::FakeStartUp();
    startUp.hasOutput = false;
    startUp.station = c.station;
    os.version.major = c.windowsMajor;
    EXPECT_EQ(Audit(), 1);
    EXPECT_EQ(startUp.output, "");
    ASSERT_EQ(startUp.notices.size(), c.shown ? 1u : 0u);
    if (!c.shown) continue;
    EXPECT_EQ(startUp.notices[0],
              "Brisko checked the settings it makes: 52 of 53 settings are as Brisko leaves "
              "them; 1 differs. 27 of the 30 services a run disables are not installed here, so "
              "they are not counted.\r\n\r\nEach setting is listed in C:\\audit.log.");
  }
  startUp = fakes::FakeStartUp();
  startUp.hasOutput = false;
  EXPECT_EQ(Audit(""), 1);
  ASSERT_EQ(startUp.notices.size(), 1u);
  EXPECT_TRUE(startUp.notices[0].ends_with(
      "\r\n\r\nTo see which, start \"brisko.exe /audit\" in a Command Prompt, or with /log FILE."))
      << startUp.notices[0];

  startUp = fakes::FakeStartUp();
  startUp.hasOutput = false;
  startUp.lockHeldFor = -1;
  EXPECT_EQ(Audit(), 1618);
  EXPECT_EQ(startUp.notices,
            std::vector<std::string>{
                "Brisko is running on this computer. Try again when it has finished."});
}

TEST_F(AuditTest, ThirtyTwoBitWindowsHasOneView) {
  RunOnce();  // os.wow64 is false: 32-bit Windows
  EXPECT_EQ(Audit(), 0);
  EXPECT_NE(Records("setting")[0].find(R"("view":"32-bit")"), std::string::npos);
  for (const std::string& call : os.trace) {
    if (call.rfind("OpenKey ", 0) == 0) {
      EXPECT_NE(call.find("access 0x00020019"), std::string::npos) << call;
    }
  }
}
