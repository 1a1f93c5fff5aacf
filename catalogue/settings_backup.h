// The way back from a run: before the first change, the settings the run replaces are read
// and saved as a registry file that both `brisko.exe /undo` and Windows' own Registry Editor
// apply; /undo puts them back exactly, absent values absent again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os.h"

namespace catalogue {

// What a setting is to the run.
enum class SettingKind {
  kTweak,         // one of the registry values a run writes
  kServiceStart,  // the start type of a service a run disables
  kWallpaper,     // the desktop wallpaper a run removes
};

// One setting a run replaces, with what it held before the run.
struct SavedSetting {
  SettingKind kind = SettingKind::kTweak;
  std::uint32_t root = 0;
  std::string keyPath;
  std::string valueName;
  // A service whose key is missing is not installed: the run cannot change it, so there is
  // nothing to put back, and a restore must not make its key.
  bool keyFound = true;
  bool present = false;  // the value existed; else a restore deletes it again
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // as the registry holds it; text types in UTF-16LE

  bool operator==(const SavedSetting&) const = default;
};

// The settings a run replaces, in the order it changes them: the registry values, the start
// types of the services it disables, the wallpaper. Nothing is read yet.
std::vector<SavedSetting> SettingsARunReplaces();

// Reads every setting in the registry view the run writes to (the 64-bit one on 64-bit
// Windows). Throws platform::Failure when one cannot be read for any reason but its absence.
std::vector<SavedSetting> ReadSettings(platform::Registry& registry);

// Reads one setting of SettingsARunReplaces() the same way, into it: present, type and data,
// and for a service whether its key is there. 0, also when it is absent; else the registry's
// error code, the setting then left as it was given.
long ReadSetting(platform::Registry& registry, SavedSetting* setting);

// When and where the file is made, for its comment.
struct SavedWhen {
  platform::LocalTime time;
  std::string computer;  // UTF-8
};

// The registry file: UTF-16LE with its byte-order mark and CR LF line ends, as the Registry
// Editor writes it, so that Windows 2000 and later read it too.
std::vector<std::uint8_t> SettingsFile(const std::vector<SavedSetting>& settings,
                                       const SavedWhen& when);

// The largest file ParseSettingsFile is given to read: ours are some ten kilobytes, and
// anything far larger is not one of ours.
inline constexpr std::size_t kLargestSettingsFile = 1 << 20;

// Reads a file made by SettingsFile back. Anything outside what SettingsFile writes, and any
// value a run does not replace, is refused (false, with the reason), so that no file can be
// used to write other settings with an administrator's rights.
bool ParseSettingsFile(std::span<const std::uint8_t> bytes, std::vector<SavedSetting>* settings,
                       std::string* reason);

// --- saving before a run, and finding the file again

// Where the files go: <common application data>\Brisko.
std::string SettingsFolder(platform::Files& files);

struct SaveOutcome {
  bool saved = false;
  std::string path;    // the file written, UTF-8
  std::string reason;  // why nothing was saved
};

// Reads the settings and writes them to a new file in the settings folder, flushed and closed
// before it returns. The folder is made for administrators only; one that is a link, or that
// someone else made, is not used. Never throws.
SaveOutcome SaveSettingsBeforeRun(platform::Os& os);

// The newest file a run saved, or empty when there is none.
std::string NewestSettingsFile(platform::Files& files);

// "2026-12-11 14:30:05", when the file of that name was saved; empty for another name.
std::string SavedAt(std::string_view path);

// --- putting back

enum class Restored {
  kWritten,       // its value, exactly as saved
  kDeleted,       // it was not there before the run, and is not now
  kNotInstalled,  // a service that is not installed (now, or when the run began): left alone
};

// Puts one setting back, in the view the run writes to. A service's key is never made: a
// service removed since the run stays removed. The wallpaper is shown again as well. 0 with
// what was done, or the registry's error code.
long RestoreSetting(platform::Registry& registry, platform::Desktop& desktop,
                    const SavedSetting& setting, Restored* done);

}  // namespace catalogue
