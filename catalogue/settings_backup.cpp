// What the way back saves, and what it takes back: the settings a run replaces, in a registry
// file that the Registry Editor also applies (platform/registry_file.h is the format), named so
// that the newest is found again, and put back exactly, absent ones deleted again.
#include "catalogue/settings_backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"
#include "catalogue/settings_folder.h"
#include "platform/failure.h"
#include "platform/registry_file.h"
#include "platform/registry_writer.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"

namespace catalogue {
namespace {

using platform::RegistryFileLine;

constexpr std::string_view kServicesKey = R"(SYSTEM\CurrentControlSet\Services\)";
constexpr std::string_view kStartValue = "Start";
constexpr std::string_view kDesktopKey = R"(Control Panel\Desktop)";
constexpr std::string_view kWallpaperValue = "Wallpaper";
constexpr std::string_view kDisablePrefix = "cmd /c sc config ";
constexpr std::string_view kDisableSuffix = " start= disabled";
constexpr std::string_view kFilePrefix = "brisko-before-optimize-";
constexpr std::string_view kUtcMark = "-utc";
constexpr std::string_view kFileSuffix = ".reg";
constexpr std::uint32_t kLargestStartType = 4;  // SERVICE_DISABLED

// The comments that carry meaning: the first one of a file (an earlier version's ends in local
// time, and its files have no closing line), the list of services that were not installed,
// and the closing line.
constexpr std::string_view kSavedOn =
    "Brisko: the settings that Optimize replaced, saved before it changed anything, on ";
constexpr std::string_view kLocalTimeEnd = " (local time).";
constexpr std::string_view kNotInstalled =
    "Not installed when the run began, so not changed and not in here:";
constexpr std::string_view kServiceIndent = "  ";

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Registry key and value names compare without regard to case.
std::string Identity(std::uint32_t root, std::string_view keyPath, std::string_view name) {
  return std::to_string(root) + "\\" + Lower(keyPath) + "|" + Lower(name);
}

std::string Where(const SavedSetting& setting) {
  return platform::RegistryRootName(setting.root) + "\\" + setting.keyPath + "\\" +
         setting.valueName;
}

std::string ClosingLine(std::size_t settings) {
  return "End of the saved settings: all " + std::to_string(settings) +
         " that Optimize replaces are above.";
}

// A comment's text without the one blank the writer puts after ';'.
std::string_view CommentText(const RegistryFileLine& line) {
  std::string_view text = line.comment;
  if (text.starts_with(' ')) text.remove_prefix(1);
  return text;
}

std::string Stamp(const platform::CalendarTime& t, const char* format) {
  char text[40];
  std::snprintf(text, sizeof text, format, t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

// The file's name for a saving time and a number (1 for the first file of that second).
std::string FileName(const platform::CalendarTime& time, int number) {
  std::string name =
      std::string(kFilePrefix) + Stamp(time, "%04d-%02d-%02d-%02d%02d%02d") + std::string(kUtcMark);
  if (number > 1) name += "-" + std::to_string(number);
  return name + std::string(kFileSuffix);
}

// How a file name ranks: named in universal time (an earlier version's local-time names rank
// below all of those), its time, its number in that second; nullopt for any other name.
using NameRank = std::tuple<bool, std::string, int>;
std::optional<NameRank> RankOf(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (!name.starts_with(kFilePrefix) || !name.ends_with(kFileSuffix)) return std::nullopt;
  name.remove_prefix(kFilePrefix.size());
  name.remove_suffix(kFileSuffix.size());
  constexpr std::string_view kShape = "0000-00-00-000000";
  if (name.size() < kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
    if ((kShape[i] == '-') != (name[i] == '-') || (kShape[i] == '0' && !digit)) {
      return std::nullopt;
    }
  }
  std::string_view rest = name.substr(kShape.size());
  const bool utc = rest.starts_with(kUtcMark);
  if (utc) rest.remove_prefix(kUtcMark.size());
  int number = 1;
  if (!rest.empty()) {
    if (rest.size() != 2 || rest[0] != '-' || rest[1] < '2' || rest[1] > '9') return std::nullopt;
    number = rest[1] - '0';
  }
  return NameRank{utc, std::string(name.substr(0, kShape.size())), number};
}

// The services the run disables, by key name, in the run's order.
std::vector<std::string> ServicesARunDisables() {
  std::vector<std::string> services;
  for (std::string_view line : kServiceLines) {
    if (line.starts_with(kDisablePrefix) && line.ends_with(kDisableSuffix)) {
      line.remove_prefix(kDisablePrefix.size());
      line.remove_suffix(kDisableSuffix.size());
      services.emplace_back(line);
    }
  }
  return services;
}

platform::RegistryFileValue FileValue(const SavedSetting& setting) {
  return {.name = setting.valueName,
          .present = setting.present,
          .type = setting.type,
          .data = setting.data};
}

}  // namespace

std::vector<SavedSetting> SettingsARunReplaces() {
  std::vector<SavedSetting> settings;
  for (const RegistryTweak& row : kRegistryTweaks) {
    settings.push_back({.kind = SettingKind::kTweak,
                        .root = row.root,
                        .keyPath = std::string(row.keyPath),
                        .valueName = std::string(row.valueName)});
  }
  for (const std::string& service : ServicesARunDisables()) {
    settings.push_back({.kind = SettingKind::kServiceStart,
                        .root = platform::kHkeyLocalMachine,
                        .keyPath = std::string(kServicesKey) + service,
                        .valueName = std::string(kStartValue)});
  }
  settings.push_back({.kind = SettingKind::kWallpaper,
                      .root = platform::kHkeyCurrentUser,
                      .keyPath = std::string(kDesktopKey),
                      .valueName = std::string(kWallpaperValue)});
  return settings;
}

long ReadSetting(platform::Registry& registry, SavedSetting* setting) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  const long result = platform::ReadRegistryValue(registry, setting->root, setting->keyPath,
                                                  setting->valueName, &type, &data);
  if (result != 0 && result != platform::kErrorFileNotFound) return result;
  setting->present = result == 0;
  setting->type = setting->present ? type : 0;
  setting->data = setting->present ? std::move(data) : std::vector<std::uint8_t>();
  if (!setting->present && setting->kind == SettingKind::kServiceStart) {
    // Whether the service is there at all, or only its start type is missing.
    setting->keyFound = platform::FindRegistryKey(registry, setting->root, setting->keyPath) !=
                        platform::kErrorFileNotFound;
  }
  return 0;
}

std::vector<SavedSetting> ReadSettings(platform::Registry& registry) {
  std::vector<SavedSetting> settings = SettingsARunReplaces();
  for (SavedSetting& setting : settings) {
    if (const long result = ReadSetting(registry, &setting); result != 0) {
      throw platform::Failure("cannot read " + setting.keyPath + "\\" + setting.valueName +
                              " (error " + std::to_string(result) + ")");
    }
  }
  return settings;
}

std::string WhyNotRestorable(const SavedSetting& setting) {
  if (!setting.keyFound || !setting.present) return {};
  const std::vector<std::uint8_t>& data = setting.data;
  switch (setting.kind) {
    case SettingKind::kTweak:
      return {};
    case SettingKind::kServiceStart: {
      const auto start = platform::DwordValue(setting.type, data);
      if (!start) return "a service's start type that is not a REG_DWORD";
      if (*start > kLargestStartType) {
        return "a start type of " + std::to_string(*start) + ", which no service has";
      }
      return {};
    }
    case SettingKind::kWallpaper:
      return setting.type == platform::kRegSz ? "" : "a wallpaper that is not text (REG_SZ)";
  }
  return "a setting of an unknown kind";
}

std::vector<std::uint8_t> SettingsFile(const std::vector<SavedSetting>& settings,
                                       const SavedWhen& when) {
  platform::RegistryFileWriter file;
  file.Comment(std::string(kSavedOn) + when.computer + " at " +
               Stamp(when.time, "%04d-%02d-%02d %02d:%02d:%02d") + " UTC.");
  for (const char* line : {
           "To put them back: brisko.exe /undo with this file's name (or brisko64.exe), or open",
           "this file, which the Registry Editor applies. A value that was not there is deleted",
           "again. Services start with their restored start type when Windows next starts.",
           "What no file can bring back: the deleted temporary and prefetch files, the emptied",
           "recycle bins and clipboard, the browser's URL history, services stopped until their",
           "next start, and what the disk and file-system commands did.",
       }) {
    file.Comment(line);
  }

  // One section per key, in the order the run first writes to it; key names compare
  // without regard to case, so the run's differently spelt paths share a section.
  std::vector<std::string> keys;
  std::map<std::string, std::vector<const SavedSetting*>> sections;
  std::vector<std::string> missingServices;
  for (const SavedSetting& setting : settings) {
    if (!setting.keyFound) {
      missingServices.push_back(setting.keyPath.substr(kServicesKey.size()));
      continue;
    }
    const std::string key = std::to_string(setting.root) + "\\" + Lower(setting.keyPath);
    if (sections.find(key) == sections.end()) keys.push_back(key);
    sections[key].push_back(&setting);
  }
  for (const std::string& key : keys) {
    const SavedSetting& first = *sections[key].front();
    file.Blank();
    file.Key(first.root, first.keyPath);
    for (const SavedSetting* setting : sections[key]) file.Value(FileValue(*setting));
  }
  if (!missingServices.empty()) {
    file.Blank();
    file.Comment(kNotInstalled);
    for (const std::string& service : missingServices) {
      file.Comment(std::string(kServiceIndent) + service);
    }
  }
  file.Blank();
  file.Comment(ClosingLine(settings.size()));
  return file.Bytes();
}

bool ParseSettingsFile(std::span<const std::uint8_t> bytes, std::vector<SavedSetting>* settings,
                       std::string* reason) {
  settings->clear();
  std::vector<RegistryFileLine> lines;
  if (!platform::ReadRegistryFile(bytes, &lines, reason)) {
    *reason = "not a registry file of Brisko's: " + *reason;
    return false;
  }
  // Every setting a run replaces, by identity, and the keys they are in, so that a file names
  // no other; each may be in the file once.
  const std::vector<SavedSetting> expected = SettingsARunReplaces();
  std::map<std::string, std::size_t> known;
  std::map<std::string, std::size_t> knownServices;  // by key name, for the list of missing ones
  std::set<std::string> knownKeys;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const SavedSetting& setting = expected[i];
    known.emplace(Identity(setting.root, setting.keyPath, setting.valueName), i);
    knownKeys.insert(std::to_string(setting.root) + "\\" + Lower(setting.keyPath));
    if (setting.kind == SettingKind::kServiceStart) {
      knownServices.emplace(Lower(setting.keyPath.substr(kServicesKey.size())), i);
    }
  }
  std::vector<bool> seen(expected.size(), false);
  const auto refuse = [&](const RegistryFileLine& line, const std::string& why) {
    *reason = "line " + std::to_string(line.number) + ": " + why;
    settings->clear();
    return false;
  };
  const auto take = [&](const RegistryFileLine& line, std::size_t index, SavedSetting setting) {
    if (seen[index]) return refuse(line, Where(setting) + " is in it twice");
    seen[index] = true;
    settings->push_back(std::move(setting));
    return true;
  };

  bool inSection = false, inMissingList = false, closed = false, earlierVersion = false;
  std::uint32_t root = 0;
  std::string keyPath;
  for (const RegistryFileLine& line : lines) {
    if (closed && line.kind != RegistryFileLine::Kind::kBlank) {
      return refuse(line, "something after the closing line");
    }
    switch (line.kind) {
      case RegistryFileLine::Kind::kBlank:
        inMissingList = false;
        break;
      case RegistryFileLine::Kind::kComment: {
        const std::string_view text = CommentText(line);
        if (text == ClosingLine(expected.size())) {
          closed = true;
        } else if (text == kNotInstalled) {
          inMissingList = true;
        } else if (inMissingList) {
          const std::size_t name = text.find_first_not_of(' ');
          const auto service = name == std::string_view::npos || !text.starts_with(kServiceIndent)
                                   ? knownServices.end()
                                   : knownServices.find(Lower(text.substr(name)));
          if (service == knownServices.end()) {
            return refuse(line, "not a service whose start type a run changes");
          }
          SavedSetting setting = expected[service->second];
          setting.keyFound = false;
          if (!take(line, service->second, std::move(setting))) return false;
        } else if (text.starts_with(kSavedOn) && text.ends_with(kLocalTimeEnd)) {
          earlierVersion = true;
        }
        break;
      }
      case RegistryFileLine::Kind::kKey:
        inMissingList = false;
        root = line.root;
        keyPath = line.keyPath;
        inSection = knownKeys.count(std::to_string(root) + "\\" + Lower(keyPath)) != 0;
        if (!inSection) return refuse(line, "a key Brisko does not save");
        break;
      case RegistryFileLine::Kind::kValue: {
        if (!inSection) return refuse(line, "a value before any key");
        const auto match = known.find(Identity(root, keyPath, line.value.name));
        if (match == known.end()) return refuse(line, "a value Brisko does not save");
        SavedSetting setting = expected[match->second];
        setting.present = line.value.present;
        setting.type = line.value.type;
        setting.data = line.value.data;
        if (const std::string why = WhyNotRestorable(setting); !why.empty()) {
          return refuse(line, Where(setting) + " holds " + why);
        }
        if (!take(line, match->second, std::move(setting))) return false;
        break;
      }
    }
  }
  const auto missing = static_cast<std::size_t>(std::count(seen.begin(), seen.end(), false));
  if (missing > 0) {
    *reason = "it lacks " + std::to_string(missing) + " of the " + std::to_string(expected.size()) +
              " settings a run replaces (it was cut short?)";
  } else if (!closed && !earlierVersion) {
    *reason = "it has no closing line: it was cut short";
  } else {
    return true;
  }
  settings->clear();
  return false;
}

SaveOutcome SaveSettingsBeforeRun(platform::Os& os) {
  SaveOutcome outcome;
  platform::TrapAndReport(
      [&] {
        const std::vector<SavedSetting> settings = ReadSettings(os.registry);
        for (const SavedSetting& setting : settings) {
          if (const std::string why = WhyNotRestorable(setting); !why.empty()) {
            throw platform::Failure(Where(setting) + " holds " + why +
                                    ", which Brisko would not put back");
          }
        }
        const SettingsFolder folder(os.files, SettingsFolder::Purpose::kSaving);
        const SavedWhen when{os.files.Now(), os.files.ComputerName()};
        const std::vector<std::uint8_t> bytes = SettingsFile(settings, when);
        if (bytes.size() > kLargestSettingsFile) {
          throw platform::Failure("the settings take " + std::to_string(bytes.size()) +
                                  " bytes, more than /undo reads (" +
                                  std::to_string(kLargestSettingsFile) + ")");
        }
        // A second run in the same second gets the next number, never the first one's file.
        for (int number = 1; number <= 9; ++number) {
          const std::string path = folder.Path() + "\\" + FileName(when.time, number);
          const long written = os.files.WriteNewFile(path, bytes);
          if (written == 0) {
            outcome = {.saved = true, .path = path};
            return;
          }
          if (written != platform::kErrorFileExists && written != platform::kErrorAlreadyExists) {
            throw platform::Failure("cannot write " + path + " (error " + std::to_string(written) +
                                    ")");
          }
        }
        throw platform::Failure("too many saved files of this second in " + folder.Path());
      },
      [&](const std::string& why) { outcome = {.saved = false, .reason = why}; });
  return outcome;
}

std::string NewestSettingsFile(platform::Files& files, const std::string& folder) {
  std::string newest;
  std::optional<NameRank> best;
  for (const std::string& name : files.ListFiles(folder, "*.reg")) {
    const auto rank = RankOf(name);
    if (rank && (!best || *rank > *best)) {
      best = rank;
      newest = folder + "\\" + name;
    }
  }
  return newest;
}

std::string SavedAt(std::string_view path) {
  const auto rank = RankOf(path);
  if (!rank) return {};
  const std::string& stamp = std::get<1>(*rank);  // 2026-12-11-143005
  return stamp.substr(0, 10) + " " + stamp.substr(11, 2) + ":" + stamp.substr(13, 2) + ":" +
         stamp.substr(15, 2) + (std::get<0>(*rank) ? " UTC" : "");
}

bool ShowsWallpaper(std::u16string_view path) {
  if (path.empty()) return true;  // no wallpaper at all
  const char16_t drive = path.size() >= 3 ? path[0] : 0;
  const bool letter = (drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z');
  return letter && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
}

long RestoreSetting(platform::Registry& registry, platform::Desktop& desktop,
                    const SavedSetting& setting, Restored* done) {
  *done = Restored::kNotInstalled;
  if (!setting.keyFound) return 0;
  if (setting.kind == SettingKind::kServiceStart) {
    const long found = platform::FindRegistryKey(registry, setting.root, setting.keyPath);
    if (found == platform::kErrorFileNotFound) return 0;
    if (found != 0) return found;
  }
  if (!setting.present) {
    *done = Restored::kDeleted;
    return platform::DeleteRegistryValue(registry, setting.root, setting.keyPath,
                                         setting.valueName);
  }
  *done = Restored::kWritten;
  if (setting.kind == SettingKind::kWallpaper && setting.type == platform::kRegSz) {
    // Shown again now, not only at the next logon; the exact write below then makes the
    // registry hold what it held. The system's call takes the path in the ANSI code page, so
    // a path beyond ASCII is left to the next logon, as is one Brisko must not load itself.
    std::u16string path = platform::Utf16Units(setting.data);
    if (!path.empty() && path.back() == 0) path.pop_back();
    const bool ascii = std::all_of(path.begin(), path.end(),
                                   [](char16_t unit) { return unit > 0 && unit < 0x80; });
    if (ascii && ShowsWallpaper(path)) {
      platform::Ignore(SetWallpaper(desktop, platform::Utf8FromUtf16(path)));
    }
  }
  return platform::WriteRegistryValueExact(registry, setting.root, setting.keyPath,
                                           setting.valueName, setting.type, setting.data);
}

}  // namespace catalogue
