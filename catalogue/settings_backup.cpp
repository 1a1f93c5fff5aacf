// The saved settings of the way back, as a registry file. The file is what the Registry
// Editor itself writes and reads ("Windows Registry Editor Version 5.00", UTF-16LE), so that
// a user with no Brisko left can still double-click it; /undo reads only that subset back.
#include "catalogue/settings_backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"
#include "platform/failure.h"
#include "platform/registry_writer.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"

namespace catalogue {
namespace {

constexpr std::string_view kServicesKey = R"(SYSTEM\CurrentControlSet\Services\)";
constexpr std::string_view kStartValue = "Start";
constexpr std::string_view kDesktopKey = R"(Control Panel\Desktop)";
constexpr std::string_view kWallpaperValue = "Wallpaper";
constexpr std::string_view kDisablePrefix = "cmd /c sc config ";
constexpr std::string_view kDisableSuffix = " start= disabled";
constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::string_view kFilePrefix = "brisko-before-optimize-";
constexpr std::string_view kFileSuffix = ".reg";
// Hex lines are broken where the Registry Editor breaks them, after about 76 columns.
constexpr std::size_t kHexLineWidth = 76;

struct RootName {
  std::uint32_t root;
  std::u16string_view name;
};
constexpr RootName kRootNames[] = {
    {platform::kHkeyCurrentUser, u"HKEY_CURRENT_USER"},
    {platform::kHkeyLocalMachine, u"HKEY_LOCAL_MACHINE"},
    {platform::kHkeyUsers, u"HKEY_USERS"},
};

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

std::u16string Ascii16(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Hex2(unsigned value) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

// With `digits` digits, or as few as the number needs when digits is 0.
std::u16string HexNumber(std::uint32_t value, int digits = 0) {
  std::u16string text;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const unsigned digit = (value >> shift) & 0xF;
    if (digit != 0 || !text.empty() || shift < 4 * digits || shift == 0) {
      text += Hex2(digit).substr(1);
    }
  }
  return text;
}

std::u16string Units(std::span<const std::uint8_t> data) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return units;
}

std::vector<std::uint8_t> Bytes(std::u16string_view units) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// Text the Registry Editor writes in quotes and reads back to the same bytes: terminated
// once, at the end, with no line break inside. Anything else is written in hex.
std::optional<std::u16string> QuotableText(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string units = Units(data);
  if (units.back() != 0) return std::nullopt;
  units.pop_back();
  constexpr std::u16string_view kBreaking(u"\0\r\n", 3);
  if (units.find_first_of(kBreaking) != std::u16string::npos) return std::nullopt;
  std::u16string quoted = u"\"";
  for (char16_t unit : units) {
    if (unit == u'\\' || unit == u'"') quoted += u'\\';
    quoted += unit;
  }
  return quoted + u"\"";
}

std::u16string QuotedName(std::string_view name) {
  std::u16string quoted = u"\"";
  for (char16_t unit : platform::Utf16FromUtf8(name)) {
    if (unit == u'\\' || unit == u'"') quoted += u'\\';
    quoted += unit;
  }
  return quoted + u"\"";
}

// One value's line (or lines, for long hex), as the Registry Editor writes it.
std::u16string ValueLine(const SavedSetting& setting) {
  std::u16string line = QuotedName(setting.valueName) + u"=";
  if (!setting.present) return line + u"-";
  if (setting.type == platform::kRegDword && setting.data.size() == 4) {
    const std::uint32_t number = setting.data[0] | (setting.data[1] << 8) |
                                 (setting.data[2] << 16) |
                                 (static_cast<std::uint32_t>(setting.data[3]) << 24);
    return line + u"dword:" + HexNumber(number, 8);
  }
  if (setting.type == platform::kRegSz) {
    if (const auto text = QuotableText(setting.data)) return line + *text;
  }
  line += setting.type == platform::kRegBinary
              ? std::u16string(u"hex:")
              : u"hex(" + HexNumber(setting.type) + u"):";
  std::size_t column = line.size();
  for (std::size_t i = 0; i < setting.data.size(); ++i) {
    line += Hex2(setting.data[i]);
    column += 2;
    if (i + 1 == setting.data.size()) break;
    line += u',';
    ++column;
    if (column >= kHexLineWidth) {
      line += u"\\\r\n  ";
      column = 2;
    }
  }
  return line;
}

std::u16string KeyLine(std::uint32_t root, std::string_view keyPath) {
  for (const RootName& row : kRootNames) {
    if (row.root == root) return u"[" + std::u16string(row.name) + u"\\" + Ascii16(keyPath) + u"]";
  }
  throw platform::Failure("a setting below an unknown root");
}

std::u16string Stamp(const platform::LocalTime& t, const char* format) {
  char text[40];
  std::snprintf(text, sizeof text, format, t.year, t.month, t.day, t.hour, t.minute, t.second);
  return Ascii16(text);
}

// --- reading a file back

struct Cursor {
  std::u16string_view line;
  std::size_t at = 0;
  bool Done() const { return at >= line.size(); }
  bool Take(std::u16string_view text) {
    if (line.substr(at, text.size()) != text) return false;
    at += text.size();
    return true;
  }
};

// A quoted name or text, unescaped; nullopt when it is not one.
std::optional<std::u16string> ReadQuoted(Cursor& cursor) {
  if (!cursor.Take(u"\"")) return std::nullopt;
  std::u16string text;
  while (!cursor.Done()) {
    char16_t unit = cursor.line[cursor.at++];
    if (unit == u'"') return text;
    if (unit == u'\\') {
      if (cursor.Done()) return std::nullopt;
      unit = cursor.line[cursor.at++];
      if (unit != u'\\' && unit != u'"') return std::nullopt;
    }
    text += unit;
  }
  return std::nullopt;
}

int HexDigit(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

std::optional<std::uint32_t> ReadHexNumber(Cursor& cursor, std::size_t maxDigits) {
  std::uint32_t number = 0;
  std::size_t digits = 0;
  while (!cursor.Done() && HexDigit(cursor.line[cursor.at]) >= 0 && digits < maxDigits) {
    number = (number << 4) | static_cast<std::uint32_t>(HexDigit(cursor.line[cursor.at++]));
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return number;
}

// The value after '=': fills present, type and data; false when it is not one we write.
bool ReadValue(Cursor& cursor, SavedSetting* setting) {
  if (cursor.Take(u"-")) {
    setting->present = false;
    return cursor.Done();
  }
  setting->present = true;
  if (cursor.line.substr(cursor.at, 1) == u"\"") {
    const auto text = ReadQuoted(cursor);
    if (!text || !cursor.Done()) return false;
    setting->type = platform::kRegSz;
    setting->data = Bytes(*text + u'\0');
    return true;
  }
  if (cursor.Take(u"dword:")) {
    const std::size_t start = cursor.at;
    const auto number = ReadHexNumber(cursor, 8);
    if (!number || cursor.at - start != 8 || !cursor.Done()) return false;
    setting->type = platform::kRegDword;
    setting->data = {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                     static_cast<std::uint8_t>(*number >> 16),
                     static_cast<std::uint8_t>(*number >> 24)};
    return true;
  }
  if (cursor.Take(u"hex:")) {
    setting->type = platform::kRegBinary;
  } else if (cursor.Take(u"hex(")) {
    const auto type = ReadHexNumber(cursor, 8);
    if (!type || !cursor.Take(u"):")) return false;
    setting->type = *type;
  } else {
    return false;
  }
  setting->data.clear();
  while (!cursor.Done()) {
    const std::size_t start = cursor.at;
    const auto byte = ReadHexNumber(cursor, 2);
    if (!byte || cursor.at - start != 2) return false;
    setting->data.push_back(static_cast<std::uint8_t>(*byte));
    if (!cursor.Done() && (!cursor.Take(u",") || cursor.Done())) return false;
  }
  return true;
}

// The file's lines, with the Registry Editor's continued hex lines joined; nullopt when the
// bytes are not UTF-16LE with a byte-order mark.
std::optional<std::vector<std::u16string>> Lines(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
    return std::nullopt;
  }
  const std::u16string text = Units(bytes.subspan(2));
  std::vector<std::u16string> lines;
  std::u16string line;
  bool continued = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\n') {
      line += text[i];
      continue;
    }
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    if (continued) {
      const std::size_t indent = line.find_first_not_of(u' ');
      lines.back() += indent == std::u16string::npos ? u"" : line.substr(indent);
    } else {
      lines.push_back(line);
    }
    continued = !lines.back().empty() && lines.back().back() == u'\\' &&
                lines.back().find(u"=hex") != std::u16string::npos;
    if (continued) lines.back().pop_back();
    line.clear();
  }
  return lines;
}

// Every setting a run replaces, by identity, so that a file names no other.
std::map<std::string, SavedSetting> KnownSettings() {
  std::map<std::string, SavedSetting> known;
  for (const SavedSetting& setting : SettingsARunReplaces()) {
    known.emplace(Identity(setting.root, setting.keyPath, setting.valueName), setting);
  }
  return known;
}

// The file's name for a saving time and a number (1 for the first file of that second).
std::string FileName(const platform::LocalTime& time, int number) {
  std::string name = std::string(kFilePrefix) +
                     platform::Utf8FromUtf16(Stamp(time, "%04d-%02d-%02d-%02d%02d%02d"));
  if (number > 1) name += "-" + std::to_string(number);
  return name + std::string(kFileSuffix);
}

// The saving time and number a file name stands for; nullopt for any other name.
std::optional<std::pair<std::string, int>> NameOrder(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (!name.starts_with(kFilePrefix) || !name.ends_with(kFileSuffix)) return std::nullopt;
  name.remove_prefix(kFilePrefix.size());
  name.remove_suffix(kFileSuffix.size());
  constexpr std::string_view kShape = "0000-00-00-000000";
  if (name.size() < kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if ((kShape[i] == '-') != (name[i] == '-') || (kShape[i] == '0' && !std::isdigit(name[i]))) {
      return std::nullopt;
    }
  }
  int number = 1;
  const std::string_view rest = name.substr(kShape.size());
  if (!rest.empty()) {
    if (rest.size() != 2 || rest[0] != '-' || rest[1] < '2' || rest[1] > '9') return std::nullopt;
    number = rest[1] - '0';
  }
  return std::make_pair(std::string(name.substr(0, kShape.size())), number);
}

// The folder the files go to: made for administrators only where it is missing; one that is
// a link elsewhere, or that another user made (and could fill with files of their own), is
// refused.
void PrepareFolder(platform::Files& files, const std::string& folder) {
  platform::FolderFacts facts = files.InspectFolder(folder);
  if (!facts.exists) {
    const long made = files.CreateProtectedFolder(folder);
    if (made != 0 && made != platform::kErrorAlreadyExists) {
      throw platform::Failure("cannot make the folder " + folder + " (error " +
                              std::to_string(made) + ")");
    }
    facts = files.InspectFolder(folder);
  }
  if (!facts.exists || !facts.directory) throw platform::Failure(folder + " is not a folder");
  if (facts.reparsePoint) throw platform::Failure(folder + " leads to another place");
  // On a file system without owners (FAT) nothing can be kept from other users anyway.
  if (facts.accessControl && !facts.ownerTrusted) {
    throw platform::Failure(folder + " belongs to another user, not to the administrators");
  }
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

std::vector<std::uint8_t> SettingsFile(const std::vector<SavedSetting>& settings,
                                       const SavedWhen& when) {
  std::u16string text = std::u16string(kHeader) + u"\r\n\r\n";
  const std::u16string comment[] = {
      u"; Brisko: the settings that Optimize replaced, saved before it changed anything, on " +
          platform::Utf16FromUtf8(when.computer) + u" at " +
          Stamp(when.time, "%04d-%02d-%02d %02d:%02d:%02d") + u" (local time).",
      u"; To put them back: brisko.exe /undo with this file's name (or brisko64.exe), or open",
      u"; this file, which the Registry Editor applies. A value that was not there is deleted",
      u"; again. Services start with their restored start type when Windows next starts.",
      u"; What no file can bring back: the deleted temporary and prefetch files, the emptied",
      u"; recycle bins and clipboard, the browser's URL history, services stopped until their",
      u"; next start, and what the disk and file-system commands did.",
  };
  for (const std::u16string& line : comment) text += line + u"\r\n";

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
    text += u"\r\n" + KeyLine(first.root, first.keyPath) + u"\r\n";
    for (const SavedSetting* setting : sections[key]) text += ValueLine(*setting) + u"\r\n";
  }
  if (!missingServices.empty()) {
    text += u"\r\n; Not installed when the run began, so not changed and not in here:\r\n";
    for (const std::string& service : missingServices) {
      text += u";   " + Ascii16(service) + u"\r\n";
    }
  }
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  const std::vector<std::uint8_t> body = Bytes(text);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

bool ParseSettingsFile(std::span<const std::uint8_t> bytes, std::vector<SavedSetting>* settings,
                       std::string* reason) {
  settings->clear();
  const auto lines = Lines(bytes);
  if (!lines || lines->empty() || (*lines)[0] != kHeader) {
    *reason = "not a registry file of Brisko's (UTF-16 with the Registry Editor's first line)";
    return false;
  }
  const std::map<std::string, SavedSetting> known = KnownSettings();
  // The keys of those settings, "root\path" in lower case.
  std::set<std::string> knownKeys;
  for (const auto& [identity, setting] : known) {
    knownKeys.insert(std::to_string(setting.root) + "\\" + Lower(setting.keyPath));
  }
  bool inSection = false;
  std::uint32_t root = 0;
  std::string keyPath;
  for (std::size_t number = 1; number < lines->size(); ++number) {
    const std::u16string& line = (*lines)[number];
    const std::string where = "line " + std::to_string(number + 1);
    if (line.empty() || line[0] == u';') continue;
    if (line[0] == u'[') {
      inSection = false;
      for (const RootName& row : kRootNames) {
        const std::u16string prefix = u"[" + std::u16string(row.name) + u"\\";
        if (line.starts_with(prefix) && line.back() == u']' && line.size() > prefix.size() + 1) {
          root = row.root;
          keyPath = platform::Utf8FromUtf16(
              std::u16string_view(line).substr(prefix.size(), line.size() - prefix.size() - 1));
          inSection = knownKeys.count(std::to_string(root) + "\\" + Lower(keyPath)) != 0;
        }
      }
      if (!inSection) {
        *reason = where + ": a key Brisko does not save";
        return false;
      }
      continue;
    }
    Cursor cursor{line};
    const auto name = ReadQuoted(cursor);
    if (!inSection || !name || !cursor.Take(u"=")) {
      *reason = where + ": not a value line Brisko writes";
      return false;
    }
    const auto match = known.find(Identity(root, keyPath, platform::Utf8FromUtf16(*name)));
    if (match == known.end()) {
      *reason = where + ": a value Brisko does not save";
      return false;
    }
    SavedSetting setting = match->second;
    if (!ReadValue(cursor, &setting)) {
      *reason = where + ": a value Brisko cannot read";
      return false;
    }
    settings->push_back(setting);
  }
  return true;
}

std::string SettingsFolder(platform::Files& files) {
  return files.CommonAppDataFolder() + "\\Brisko";
}

SaveOutcome SaveSettingsBeforeRun(platform::Os& os) {
  SaveOutcome outcome;
  platform::TrapAndReport(
      [&] {
        const std::vector<SavedSetting> settings = ReadSettings(os.registry);
        const std::string folder = SettingsFolder(os.files);
        PrepareFolder(os.files, folder);
        const SavedWhen when{os.files.Now(), os.files.ComputerName()};
        const std::vector<std::uint8_t> bytes = SettingsFile(settings, when);
        // A second run in the same second gets the next number, never the first one's file.
        for (int number = 1; number <= 9; ++number) {
          const std::string path = folder + "\\" + FileName(when.time, number);
          const long written = os.files.WriteNewFile(path, bytes);
          if (written == 0) {
            outcome = {.saved = true, .path = path};
            return;
          }
          if (written != platform::kErrorFileExists && written != platform::kErrorAlreadyExists) {
            throw platform::Failure("cannot write " + path + " (error " +
                                    std::to_string(written) + ")");
          }
        }
        throw platform::Failure("too many saved files of this second in " + folder);
      },
      [&](const std::string& why) { outcome = {.saved = false, .reason = why}; });
  return outcome;
}

std::string NewestSettingsFile(platform::Files& files) {
  std::string newest;
  platform::Trap([&] {
    const std::string folder = SettingsFolder(files);
    std::optional<std::pair<std::string, int>> best;
    for (const std::string& name : files.ListFiles(folder, "*.reg")) {
      const auto order = NameOrder(name);
      if (order && (!best || *order > *best)) {
        best = order;
        newest = folder + "\\" + name;
      }
    }
  });
  return newest;
}

std::string SavedAt(std::string_view path) {
  const auto order = NameOrder(path);
  if (!order) return {};
  const std::string& stamp = order->first;  // 2026-12-11-143005
  return stamp.substr(0, 10) + " " + stamp.substr(11, 2) + ":" + stamp.substr(13, 2) + ":" +
         stamp.substr(15, 2);
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
    // a path beyond ASCII is left to the next logon.
    std::u16string path = Units(setting.data);
    if (!path.empty() && path.back() == 0) path.pop_back();
    const bool ascii = std::all_of(path.begin(), path.end(),
                                   [](char16_t unit) { return unit > 0 && unit < 0x80; });
    if (ascii) platform::Ignore(SetWallpaper(desktop, platform::Utf8FromUtf16(path)));
  }
  return platform::WriteRegistryValueExact(registry, setting.root, setting.keyPath,
                                           setting.valueName, setting.type, setting.data);
}

}  // namespace catalogue
