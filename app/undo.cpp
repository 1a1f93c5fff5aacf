// The way back from a run. The file is read whole and checked before anything is put back, so
// that a damaged or foreign one changes nothing.
#include "app/undo.h"

#include <optional>
#include <string>
#include <vector>

#include "app/run_log.h"
#include "catalogue/settings_backup.h"
#include "catalogue/settings_folder.h"
#include "platform/failure.h"

namespace app {
namespace {

using catalogue::SavedSetting;
using catalogue::SettingKind;

constexpr char kTitle[] = "Brisko";

struct Tally {
  int values = 0, services = 0, wallpaper = 0, refused = 0;
  std::vector<std::string> refusedNames;  // "HKEY_...\key\name", the first few
};

// How many refused settings a notice names before it only counts the rest.
constexpr std::size_t kNamedInNotice = 5;

// What a person is told, in the words of the Start menu's entry.
std::string Restored(const Tally& tally, const std::string& savedAt) {
  std::string text = "Brisko put back the settings that Optimize replaced";
  if (!savedAt.empty()) text += " (saved " + savedAt + ")";
  text += ": " + std::to_string(tally.values) + " settings, the start types of " +
          std::to_string(tally.services) + " services" +
          (tally.wallpaper > 0 ? " and the desktop wallpaper." : ".");
  if (tally.refused > 0) {
    text += "\r\n\r\nWindows refused to put back " + std::to_string(tally.refused) +
            (tally.refused == 1 ? " setting:" : " settings:");
    for (const std::string& name : tally.refusedNames) text += "\r\n  " + name;
    const int unnamed = tally.refused - static_cast<int>(tally.refusedNames.size());
    if (unnamed > 0) text += "\r\n  and " + std::to_string(unnamed) + " more (see the log)";
  }
  return text +
         "\r\n\r\nThe services start with their restored start types when Windows next starts. "
         "Deleted files, the emptied recycle bins and the browser's history do not come back.";
}

}  // namespace

int RunUndo(const Invocation& invocation, platform::Os& os, platform::StartUp& startUp) {
  RunLog log(startUp);
  if (const int refused = BeginRun(invocation.logPath, os, startUp, log); refused != kExitDone) {
    if (invocation.ask && refused == kExitBusy) {
      startUp.ShowNotice("Brisko is running on this computer. Try again when it has finished.",
                         kTitle);
    }
    return refused;
  }
  // Nothing to use: said to whoever is there, logged, and nothing changed.
  const auto cannot = [&](const std::string& why, const std::string& file) {
    log.Write(log.Make("undo").Text("file", file).Text("result", "refused").Text("reason", why));
    log.Write(log.Make("end").Number("exitCode", kExitNotUnderstood));
    Say(startUp, "Brisko /undo: " + why + "; nothing was changed.\r\n");
    if (invocation.ask) startUp.ShowNotice(why + ". Nothing was changed.", kTitle);
    return kExitNotUnderstood;
  };

  // Without a file, the newest in the folder of the saved settings, which is held open (and
  // so cannot be swapped) until that file is read; the folder and the file must both pass
  // their checks. A file named on the command line is the caller's choice: only the file's
  // own checks and what it says are judged.
  std::string file = invocation.undoPath;
  std::optional<catalogue::SettingsFolder> folder;
  if (file.empty()) {
    std::string refused;
    platform::TrapAndReport(
        [&] {
          folder.emplace(os.files, catalogue::SettingsFolder::Purpose::kUndo);
          if (!folder->Missing()) file = catalogue::NewestSettingsFile(os.files, folder->Path());
        },
        [&](const std::string& why) {
          refused = why.empty() ? "cannot list the saved settings" : why;
        });
    if (!refused.empty()) return cannot(refused, "");
    if (file.empty()) return cannot("Brisko has no saved settings to put back", "");
  }
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!catalogue::ReadSavedFile(os.files, file, catalogue::kLargestSettingsFile, &bytes, &reason)) {
    return cannot(reason, file);
  }
  folder.reset();
  std::vector<SavedSetting> settings;
  if (!catalogue::ParseSettingsFile(bytes, &settings, &reason)) {
    return cannot("cannot use " + file + ": " + reason, file);
  }
  const std::string savedAt = catalogue::SavedAt(file);
  if (invocation.ask && !startUp.Ask("Put back the settings that Brisko's Optimize replaced" +
                                         (savedAt.empty() ? std::string() : " on " + savedAt) +
                                         "?\r\n\r\nThey were saved in " + file + ".",
                                     kTitle)) {
    log.Write(log.Make("undo").Text("file", file).Text("result", "declined"));
    log.Write(log.Make("end").Number("exitCode", kExitDone));
    return kExitDone;
  }
  log.Write(log.Make("undo")
                .Text("file", file)
                .Text("result", "read")
                .Number("settings", static_cast<long long>(settings.size())));

  Tally tally;
  int number = 0;
  for (const SavedSetting& setting : settings) {
    long result = 0;
    catalogue::Restored done = catalogue::Restored::kWritten;
    std::string failure;
    platform::TrapAndReport(
        [&] { result = catalogue::RestoreSetting(os.registry, os.desktop, setting, &done); },
        [&](const std::string& why) { failure = why.empty() ? "failed" : why; });
    Record record = log.Make("restore")
                        .Number("number", ++number)
                        .Text("key", KeyText(setting.root, setting.keyPath))
                        .Text("name", setting.valueName);
    if (!failure.empty() || result != 0) {
      ++tally.refused;
      if (tally.refusedNames.size() < kNamedInNotice) {
        tally.refusedNames.push_back(KeyText(setting.root, setting.keyPath) + "\\" +
                                     setting.valueName);
      }
      record.Text("result", "refused");
      if (failure.empty())
        record.Number("error", result);
      else
        record.Text("reason", failure);
    } else if (done == catalogue::Restored::kNotInstalled) {
      record.Text("result", "not installed");
    } else {
      record.Text("result", done == catalogue::Restored::kWritten ? "restored" : "deleted");
      (setting.kind == SettingKind::kTweak          ? tally.values
       : setting.kind == SettingKind::kServiceStart ? tally.services
                                                    : tally.wallpaper) += 1;
    }
    log.Write(record);
  }
  int exitCode = log.Counted(tally.refused > 0 ? kExitIncomplete : kExitDone);
  log.Write(log.Make("end")
                .Number("exitCode", exitCode)
                .Number("settingsRestored", tally.values + tally.services + tally.wallpaper)
                .Number("settingsRefused", tally.refused));
  exitCode = log.Counted(exitCode);  // the end record itself may be what failed
  Say(startUp, "Brisko /undo: exit code " + std::to_string(exitCode) + "; " +
                   std::to_string(tally.values + tally.services + tally.wallpaper) +
                   " settings put back from " + file + ", " + std::to_string(tally.refused) +
                   " refused. Services take their start types when Windows next starts." +
                   (log.Complete() ? "" : " The log could not be written completely.") + "\r\n");
  if (invocation.ask) startUp.ShowNotice(Restored(tally, savedAt), kTitle);
  return exitCode;
}

}  // namespace app
