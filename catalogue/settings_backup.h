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
  platform::CalendarTime time;  // coordinated universal time
  std::string computer;         // UTF-8
};

// Why Brisko would not put a setting back as it is, or empty when it would: a service's start
// type must be a REG_DWORD from 0 to 4 (or absent), the wallpaper text (or absent). A saved file
// that holds anything else is refused whole, and a machine where a setting holds anything else
// cannot be saved, so that every file Brisko saves is one that /undo reads.
std::string WhyNotRestorable(const SavedSetting& setting);

// The registry file: UTF-16LE with its byte-order mark and CR LF line ends, as the Registry
// Editor writes it, so that Windows 2000 and later read it too; it ends with a closing line,
// so that a file cut short is never taken for a whole one.
std::vector<std::uint8_t> SettingsFile(const std::vector<SavedSetting>& settings,
                                       const SavedWhen& when);

// The largest file ParseSettingsFile is given to read: ours are some ten kilobytes, and
// anything far larger is not one of ours. Saving holds to it too.
inline constexpr std::size_t kLargestSettingsFile = 1 << 20;

// Reads a file made by SettingsFile back: every setting a run replaces exactly once (a
// service that was not installed in the file's list of them), each with a value Brisko would
// put back, and the closing line. Anything else, and any value a run does not replace, is
// refused (false, with the reason), so that no file can be used to write other settings with
// an administrator's rights. A file saved before files had a closing line is read when every
// setting is in it once.
bool ParseSettingsFile(std::span<const std::uint8_t> bytes, std::vector<SavedSetting>* settings,
                       std::string* reason);

// --- saving before a run, and finding the file again

struct SaveOutcome {
  bool saved = false;
  std::string path;    // the file written, UTF-8
  std::string reason;  // why nothing was saved
};

// Reads the settings and writes them to a new file in the settings folder (see
// settings_folder.h), flushed and closed before it returns. Never throws.
SaveOutcome SaveSettingsBeforeRun(platform::Os& os);

// The newest file a run saved in folder, by its name, or empty when there is none. Names are
// in coordinated universal time, so that a clock set back or the hour repeated at the end of
// daylight saving time never makes an older run's file the newest; files named in local time
// by earlier versions are older than any of them.
std::string NewestSettingsFile(platform::Files& files, const std::string& folder);

// "2026-12-11 14:30:05 UTC", when the file of that name was saved ("2026-12-11 14:30:05" for an
// earlier version's, in local time); empty for another name.
std::string SavedAt(std::string_view path);

// --- putting back

enum class Restored {
  kWritten,       // its value, exactly as saved
  kDeleted,       // it was not there before the run, and is not now
  kNotInstalled,  // a service that is not installed (now, or when the run began): left alone
};

// Whether Brisko itself shows a saved wallpaper again: only a path on a local drive
// ("C:\..."). A path to a share (which the elevated process would reach with the
// administrator's credentials), a device path or an address goes back into the registry
// only, for Windows to load at the next logon as the user.
bool ShowsWallpaper(std::u16string_view path);

// Puts one setting back, in the view the run writes to. A service's key is never made: a
// service removed since the run stays removed. A wallpaper on a local drive is shown again as
// well. 0 with what was done, or the registry's error code.
long RestoreSetting(platform::Registry& registry, platform::Desktop& desktop,
                    const SavedSetting& setting, Restored* done);

}  // namespace catalogue
