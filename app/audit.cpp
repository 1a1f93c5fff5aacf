// The audit's command: the lock only to learn that no run is under way, the same log as the run
// and the way back (its records name each setting by the same key and name), and what a person
// or a fleet tool is told.
#include "app/audit.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_log.h"
#include "app/single_instance.h"
#include "brisko_version.h"
#include "catalogue/settings_audit.h"
#include "monitor/version_line.h"
#include "platform/registry_file.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"
#include "platform/wow64.h"

namespace app {
namespace {

using catalogue::AuditedSetting;
using catalogue::AuditState;
using catalogue::SettingKind;

constexpr char kTitle[] = "Brisko";
// The console shows this many bytes of a value that is not a number or a text; the log has all.
constexpr std::size_t kBytesShown = 16;

// Natively the core is built as the 32-bit program, whose view depends on WOW64.
constexpr bool kProgramIs64Bit = std::string_view(BRISKO_PROGRAM_NAME) == "brisko64.exe";

struct Tally {
  int asRun = 0, differ = 0, absent = 0, notApplicable = 0, unreadable = 0, services = 0;
};

std::string TypeName(std::uint32_t type) {
  constexpr const char* kNames[] = {"REG_NONE",
                                    "REG_SZ",
                                    "REG_EXPAND_SZ",
                                    "REG_BINARY",
                                    "REG_DWORD",
                                    "REG_DWORD_BIG_ENDIAN",
                                    "REG_LINK",
                                    "REG_MULTI_SZ",
                                    "REG_RESOURCE_LIST",
                                    "REG_FULL_RESOURCE_DESCRIPTOR",
                                    "REG_RESOURCE_REQUIREMENTS_LIST",
                                    "REG_QWORD"};
  if (type < std::size(kNames)) return kNames[type];
  return "type " + std::to_string(type);
}

// A REG_DWORD of four bytes, as its number.
std::optional<std::uint32_t> Number(const catalogue::RegistryData& value) {
  return platform::DwordValue(value.type, value.data);
}

// Text, when the bytes are text with exactly one terminator, at their end, and no control
// characters that would break a line; anything else is shown as its bytes.
std::optional<std::string> Text(const catalogue::RegistryData& value) {
  if ((value.type != platform::kRegSz && value.type != platform::kRegExpandSz) ||
      value.data.size() < 2 || value.data.size() % 2 != 0) {
    return std::nullopt;
  }
  std::u16string units = platform::Utf16Units(value.data);
  if (units.back() != 0) return std::nullopt;
  units.pop_back();
  for (char16_t unit : units) {
    if (unit < 0x20) return std::nullopt;
  }
  return platform::Utf8FromUtf16(units);
}

// The bytes as the Registry Editor writes them: "79,00,00,00".
std::string Hex(const std::vector<std::uint8_t>& data, std::size_t limit) {
  std::string hex;
  for (std::size_t i = 0; i < data.size() && i < limit; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02x", data[i]);
    if (i > 0) hex += ',';
    hex += pair;
  }
  return hex;
}

// For a person: REG_DWORD 0, REG_SZ "400", REG_BINARY hex:09,09.
std::string Words(const catalogue::RegistryData& value) {
  std::string words = TypeName(value.type) + " ";
  if (const auto number = Number(value)) return words + std::to_string(*number);
  if (const auto text = Text(value)) return words + "\"" + *text + "\"";
  words += "hex:" + Hex(value.data, kBytesShown);
  if (value.data.size() > kBytesShown) {
    words += ",... (" + std::to_string(value.data.size()) + " bytes)";
  }
  return words;
}

// For the log: the type, then the number or the text, or else every byte.
void AddValue(Record& record, std::string_view prefix, const catalogue::RegistryData& value) {
  const std::string name(prefix);
  record.Text(name + "Type", TypeName(value.type));
  if (const auto number = Number(value)) {
    record.Number(name, *number);
  } else if (const auto text = Text(value)) {
    record.Text(name, *text);
  } else {
    record.Text(name + "Bytes", Hex(value.data, value.data.size()));
  }
}

catalogue::RegistryData Now(const AuditedSetting& setting) {
  return {setting.now.type, setting.now.data};
}

const char* StateName(AuditState state) {
  switch (state) {
    case AuditState::kAsRun:
      return "as run";
    case AuditState::kDiffers:
      return "differs";
    case AuditState::kAbsent:
      return "absent";
    case AuditState::kNotApplicable:
      return "not applicable";
    case AuditState::kUnreadable:
      break;
  }
  return "unreadable";
}

const char* KindName(SettingKind kind) {
  switch (kind) {
    case SettingKind::kTweak:
      return "value";
    case SettingKind::kServiceStart:
      return "service";
    case SettingKind::kWallpaper:
      break;
  }
  return "wallpaper";
}

// One line for a setting a run would change, or that could not be read.
std::string ConsoleLine(const AuditedSetting& setting) {
  std::string line =
      KeyText(setting.now.root, setting.now.keyPath) + " \"" + setting.now.valueName + "\": ";
  if (setting.state == AuditState::kUnreadable) return line + "cannot be read: " + setting.reason;
  line += setting.state == AuditState::kAbsent ? "absent" : "now " + Words(Now(setting));
  return line + ", a run writes " + Words(setting.run);
}

Record SettingRecord(RunLog& log, int number, const std::string& view,
                     const AuditedSetting& setting) {
  Record record = log.Make("setting")
                      .Number("number", number)
                      .Text("kind", KindName(setting.now.kind))
                      .Text("view", view)
                      .Text("root", RootText(setting.now.root))
                      .Text("key", KeyText(setting.now.root, setting.now.keyPath))
                      .Text("name", setting.now.valueName)
                      .Text("state", StateName(setting.state));
  if (setting.state == AuditState::kUnreadable) {
    if (setting.error != 0) record.Number("error", setting.error);
    record.Text("reason", setting.reason);
  } else if (setting.now.present) {
    AddValue(record, "now", Now(setting));
  }
  AddValue(record, "run", setting.run);
  return record;
}

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Summary(const Tally& tally) {
  const int counted = tally.asRun + tally.differ + tally.absent + tally.unreadable;
  std::string text = std::to_string(tally.asRun) + " of " + std::to_string(counted) +
                     " settings are as Brisko leaves them; " +
                     Plural(tally.differ + tally.absent, "differs", "differ");
  if (tally.unreadable > 0) text += "; " + std::to_string(tally.unreadable) + " could not be read";
  text += ".";
  if (tally.notApplicable > 0) {
    text += " " + std::to_string(tally.notApplicable) + " of the " +
            std::to_string(tally.services) + " services a run disables " +
            (tally.notApplicable == 1 ? "is not installed here, so it is"
                                      : "are not installed here, so they are") +
            " not counted.";
  }
  return text;
}

// Whoever started us: the console or the output they redirected, else, when a person can see
// our desktop, a message box. A service's desktop or session 0 since Vista is seen by nobody,
// and a box there would wait for ever.
class Teller {
 public:
  Teller(platform::Os& os, platform::StartUp& startUp) : os_(os), startUp_(startUp) {}
  bool Console() { return startUp_.OpenOutput(); }
  void Tell(const std::string& consoleText, const std::string& notice) {
    if (Console()) {
      startUp_.WriteOutput(consoleText);
    } else if (APersonSees()) {
      startUp_.ShowNotice(notice, kTitle);
    }
  }

 private:
  bool APersonSees() {
    const platform::Station station = startUp_.WindowStation();
    return station.visible &&
           (station.session != 0 || monitor::QueryWindowsVersion(os_.info).major < 6);
  }
  platform::Os& os_;
  platform::StartUp& startUp_;
};

}  // namespace

int RunAudit(const Invocation& invocation, platform::Os& os, platform::StartUp& startUp) {
  Teller teller(os, startUp);
  // Fleet tools start the audit with nobody there: a drive without its disk (the log's) must
  // end in an error code, not in a box the system shows and nobody answers.
  startUp.QuietErrors();
  const MachineClaim claim = ClaimMachine(startUp);
  if (claim.claim == Claim::kHeld) {
    teller.Tell(
        "Brisko /audit: another Brisko is running on this computer; try again when it "
        "has ended.\r\n",
        "Brisko is running on this computer. Try again when it has finished.");
    return kExitBusy;
  }
  // The log is opened while the lock is held: a run that starts after we let go may take the
  // same file, but never has it emptied under it.
  RunLog log(startUp);
  std::string reason;
  if (!invocation.logPath.empty() && !log.Open(invocation.logPath, os.files, &reason)) {
    teller.Tell(
        "Brisko /audit: cannot write the log file " + invocation.logPath + ": " + reason + ".\r\n",
        "Brisko cannot check the settings: the log file " + invocation.logPath +
            " cannot be used, because " + reason + ".");
    return kExitNotUnderstood;
  }
  if (!log.Write(StartRecord(log, os, startUp))) {
    teller.Tell("Brisko /audit: cannot write the log file " + invocation.logPath + ".\r\n",
                "Brisko cannot check the settings: the log file " + invocation.logPath +
                    " cannot be written.");
    return kExitNotUnderstood;
  }
  // Without the lock nobody can say whether a run is under way. 1 would send a fleet tool to
  // remediate with a run, which would end the same way; 2 asks a person to look.
  if (claim.claim == Claim::kFailed) {
    log.Write(log.Make("lock").Text("result", "not taken").Text("reason", claim.reason));
    log.Write(log.Make("end").Number("exitCode", kExitNotUnderstood));
    teller.Tell("Brisko /audit: " + claim.reason + "; nothing was checked.\r\n",
                "Brisko cannot check the settings: " + claim.reason + ".");
    return kExitNotUnderstood;
  }
  // Nothing is under way, and nothing we do keeps a run from starting now.
  startUp.ReleaseMachineLock();

  std::vector<AuditedSetting> settings = catalogue::AuditSettings(os.registry);
  const std::string view =
      kProgramIs64Bit || platform::RunsUnderWow64(os.registry) ? "64-bit" : "32-bit";
  Tally tally;
  std::string lines;
  int number = 0;
  for (AuditedSetting& setting : settings) {
    if (setting.state == AuditState::kUnreadable && setting.error != 0) {
      setting.reason = os.processes.SystemMessage(static_cast<unsigned long>(setting.error));
    }
    log.Write(SettingRecord(log, ++number, view, setting));
    if (setting.now.kind == SettingKind::kServiceStart) ++tally.services;
    switch (setting.state) {
      case AuditState::kAsRun:
        ++tally.asRun;
        continue;
      case AuditState::kNotApplicable:
        ++tally.notApplicable;
        continue;
      case AuditState::kDiffers:
        ++tally.differ;
        break;
      case AuditState::kAbsent:
        ++tally.absent;
        break;
      case AuditState::kUnreadable:
        ++tally.unreadable;
        break;
    }
    lines += ConsoleLine(setting) + "\r\n";
  }
  int exitCode = tally.unreadable > 0              ? kExitNotUnderstood
                 : tally.differ + tally.absent > 0 ? kExitDiffers
                                                   : kExitDone;
  // A log that could not be written to its end cannot be accounted for: 2, as for a value that
  // could not be read.
  if (!log.Complete()) exitCode = kExitNotUnderstood;
  log.Write(log.Make("end")
                .Number("exitCode", exitCode)
                .Number("settings", number)
                .Number("settingsAsRun", tally.asRun)
                .Number("settingsDiffering", tally.differ)
                .Number("settingsAbsent", tally.absent)
                .Number("settingsNotApplicable", tally.notApplicable)
                .Number("settingsUnreadable", tally.unreadable));
  if (!log.Complete()) exitCode = kExitNotUnderstood;  // the end record may be what failed

  const std::string summary = Summary(tally);
  const std::string incomplete = log.Complete() ? "" : " The log could not be written completely.";
  std::string details;
  if (!invocation.logPath.empty()) {
    details = "\r\n\r\nEach setting is listed in " + invocation.logPath + ".";
  } else if (tally.differ + tally.absent + tally.unreadable > 0) {
    details = "\r\n\r\nTo see which, start \"" BRISKO_PROGRAM_NAME
              " /audit\" in a Command Prompt, or with /log FILE.";
  }
  teller.Tell(lines + "Brisko /audit: exit code " + std::to_string(exitCode) + "; " + summary +
                  incomplete + "\r\n",
              "Brisko checked the settings it makes: " + summary + incomplete + details);
  return exitCode;
}

}  // namespace app
