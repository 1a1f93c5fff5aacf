// /audit: every setting a run replaces, read where a run writes it and compared with what a
// run leaves there, from the run's own tables. Nothing here writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/settings_backup.h"
#include "platform/os.h"

namespace catalogue {

// What one setting holds, as the registry holds it: text types in UTF-16LE.
struct RegistryData {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const RegistryData&) const = default;
};

enum class AuditState {
  kAsRun,          // exactly what a run leaves: the same type and the same bytes
  kDiffers,        // another type, or other bytes
  kAbsent,         // the value (or its key) is missing where a run writes it
  kNotApplicable,  // a service that is not installed: a run cannot disable it
  kUnreadable,     // it could not be read, for any reason but its absence
};

// What a run leaves in a setting of SettingsARunReplaces(): a registry value exactly as the
// run's table writes it (a REG_SZ with its terminator, in UTF-16LE as the registry keeps it),
// a service's start type disabled, no wallpaper (empty text).
RegistryData WhatARunLeaves(const SavedSetting& setting);

// The state of a setting read by ReadSetting, against what a run leaves in it.
AuditState Judge(const SavedSetting& now, const RegistryData& run);

struct AuditedSetting {
  SavedSetting now;  // the setting and what it holds now (when it could be read)
  RegistryData run;  // what a run leaves in it
  AuditState state = AuditState::kAsRun;
  long error = 0;      // kUnreadable: the registry's error code, or 0 ...
  std::string reason;  // ... and then why it could not be read
};

// Reads and judges every setting a run replaces, in the run's order, in the view the run
// writes to. A setting that cannot be read is kUnreadable and the others are read all the
// same. Never throws.
std::vector<AuditedSetting> AuditSettings(platform::Registry& registry);

}  // namespace catalogue
