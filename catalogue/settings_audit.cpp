// The audit's comparison. What a run leaves comes from the same table the run writes from, and
// the settings from the same list the way back saves, so that one change to a table moves the
// run, the way back and the audit together.
#include "catalogue/settings_audit.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "catalogue/registry_tweaks.h"
#include "platform/failure.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"

namespace catalogue {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}

std::vector<std::uint8_t> DwordBytes(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// Text as the registry keeps what the run hands RegSetValueExA: UTF-16LE with one terminator.
// The run's texts are ASCII, which every ANSI code page turns into the same characters.
std::vector<std::uint8_t> TextBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : platform::Utf16FromUtf8(text)) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace

RegistryData WhatARunLeaves(const SavedSetting& setting) {
  switch (setting.kind) {
    case SettingKind::kServiceStart:
      return {platform::kRegDword, DwordBytes(platform::kServiceDisabled)};
    case SettingKind::kWallpaper:
      // The run sets the wallpaper to "" through the system, which keeps an empty text.
      return {platform::kRegSz, TextBytes("")};
    case SettingKind::kTweak:
      break;
  }
  // Registry names fold case; a value written twice keeps what the last write gave it.
  const RegistryTweak* last = nullptr;
  for (const RegistryTweak& row : kRegistryTweaks) {
    if (row.root == setting.root && SameName(row.keyPath, setting.keyPath) &&
        SameName(row.valueName, setting.valueName)) {
      last = &row;
    }
  }
  if (last == nullptr) throw platform::Failure("not a value the run writes: " + setting.valueName);
  if (last->type == platform::kRegSz) return {platform::kRegSz, TextBytes(last->text)};
  return {platform::kRegDword, DwordBytes(static_cast<std::uint32_t>(last->number))};
}

AuditState Judge(const SavedSetting& now, const RegistryData& run) {
  if (now.kind == SettingKind::kServiceStart && !now.keyFound) return AuditState::kNotApplicable;
  if (!now.present) {
    // No value shows no wallpaper, exactly as the empty text a run leaves does: the desktop is
    // as a run leaves it, and running again would change nothing a person could see.
    return now.kind == SettingKind::kWallpaper ? AuditState::kAsRun : AuditState::kAbsent;
  }
  // Byte for byte: text without its terminator, or with a second one, is not what a run
  // writes, and not every program reads it the same way.
  return now.type == run.type && now.data == run.data ? AuditState::kAsRun : AuditState::kDiffers;
}

std::vector<AuditedSetting> AuditSettings(platform::Registry& registry) {
  std::vector<AuditedSetting> audited;
  for (const SavedSetting& setting : SettingsARunReplaces()) {
    AuditedSetting& entry = audited.emplace_back(AuditedSetting{.now = setting});
    platform::TrapAndReport(
        [&] {
          entry.run = WhatARunLeaves(setting);
          entry.error = ReadSetting(registry, &entry.now);
          entry.state = entry.error != 0 ? AuditState::kUnreadable : Judge(entry.now, entry.run);
        },
        [&](const std::string& why) {
          entry.state = AuditState::kUnreadable;
          entry.reason = why.empty() ? "failed" : why;
        });
  }
  return audited;
}

}  // namespace catalogue
