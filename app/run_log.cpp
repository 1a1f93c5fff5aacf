// The log's records: JSON objects, one per line, valid UTF-8 whatever they are given.
#include "app/run_log.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "app/command_line.h"
#include "app/single_instance.h"
#include "brisko_version.h"
#include "monitor/version_line.h"
#include "platform/failure.h"
#include "platform/registry_file.h"
#include "platform/system_constants.h"
#include "platform/unicode.h"

namespace app {
namespace {

// A JSON string: quotes, backslashes and control characters escaped, well-formed UTF-8 as it
// is. Texts reach the log as UTF-8; a byte that is not part of a well-formed sequence is
// escaped as the Latin-1 character it most often is, so that the log stays valid UTF-8 JSON.
std::string Quoted(std::string_view text) {
  std::string json = "\"";
  const auto escape = [&](unsigned code) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
    json += escaped;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += text[i++];
    } else if (c < 0x20) {
      escape(c);
      ++i;
    } else if (c < 0x80) {
      json += text[i++];
    } else {
      // The longest well-formed sequence that starts here, if any.
      std::size_t length = 0;
      for (std::size_t size = 2; size <= 4 && i + size <= text.size() && length == 0; ++size) {
        if (platform::IsUtf8(text.substr(i, size))) length = size;
      }
      if (length == 0) {
        escape(c);
        ++i;
      } else {
        json += text.substr(i, length);
        i += length;
      }
    }
  }
  return json + "\"";
}

// The folders a log's full path goes through, from the drive's root ("C:\") or the share's
// ("\\server\share\") down to the one it is in. A device path is refused: it names no
// folder on a disk.
bool LogFolders(const std::string& full, std::vector<std::string>* folders, std::string* reason) {
  std::size_t rootEnd = 0;  // where the first name below the root begins
  const char drive = full.empty() ? '\0' : full[0];
  const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
  if (full.size() >= 3 && letter && full[1] == ':' && full[2] == '\\') {
    rootEnd = 3;
  } else if (full.starts_with("\\\\") && !full.starts_with("\\\\?\\") &&
             !full.starts_with("\\\\.\\")) {
    const std::size_t share = full.find('\\', 2);
    const std::size_t below = share == std::string::npos ? share : full.find('\\', share + 1);
    if (share != std::string::npos && share > 2 && below != std::string::npos &&
        below > share + 1) {
      rootEnd = below + 1;
    }
  }
  const std::size_t name = full.find_last_of('\\') + 1;
  if (rootEnd == 0 || name < rootEnd || name == full.size()) {
    *reason = "it is not a file in a folder on a drive or a share (" + full + ")";
    return false;
  }
  folders->assign(1, full.substr(0, rootEnd));
  for (std::size_t at = full.find('\\', rootEnd); at != std::string::npos && at < name;
       at = full.find('\\', at + 1)) {
    folders->push_back(full.substr(0, at));
  }
  return true;
}

// Every folder on the way is a real folder, not a junction or link that leads elsewhere; one
// that cannot be looked at counts as one that does.
bool FoldersLeadNowhereElse(platform::Files& files, const std::vector<std::string>& folders,
                            std::string* reason) {
  for (const std::string& folder : folders) {
    platform::Handle handle = 0;
    const long opened = files.OpenFolder(folder, false, &handle);
    if (opened != 0) {
      const bool missing =
          opened == platform::kErrorFileNotFound || opened == platform::kErrorPathNotFound;
      *reason = "its folder " + folder +
                (missing ? " does not exist"
                         : " cannot be checked (error " + std::to_string(opened) + ")");
      return false;
    }
    platform::FolderFacts facts;
    std::string failure;
    platform::TrapAndReport(
        [&] { facts = files.FolderFactsOf(handle); },
        [&](const std::string& why) { failure = why.empty() ? "failed" : why; });
    files.CloseFolder(handle);
    const std::string refusal = !failure.empty()   ? " cannot be checked: " + failure
                                : !facts.directory ? " is not a folder"
                                : facts.reparsePoint
                                    ? " leads to another place (a junction or link)"
                                    : "";
    if (!refusal.empty()) {
      *reason = "its folder " + folder + refusal;
      return false;
    }
  }
  return true;
}

// Whether the system's final path of an open file ("\\?\C:\...", "\\?\UNC\server\...")
// names the path that was asked for. Names compare without regard to case; a path given with
// short (8.3) names does not match and is refused, which errs on the safe side.
bool SamePath(std::string_view final, std::string_view asked) {
  std::string normal;
  if (final.starts_with("\\\\?\\UNC\\")) {
    normal = "\\\\" + std::string(final.substr(8));
  } else if (final.starts_with("\\\\?\\")) {
    normal = std::string(final.substr(4));
  } else {
    normal = std::string(final);
  }
  return std::equal(normal.begin(), normal.end(), asked.begin(), asked.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

std::string IsoTime(const platform::UtcTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.milliseconds);
  return text;
}

}  // namespace

Record::Record(const std::string& time, std::string_view event) {
  Text("time", time);
  Text("event", event);
}

Record& Record::Text(std::string_view name, std::string_view value) {
  return Field(name, Quoted(value));
}

Record& Record::Number(std::string_view name, long long value) {
  return Field(name, std::to_string(value));
}

std::string Record::Line() const { return "{" + fields_ + "}\r\n"; }

Record& Record::Field(std::string_view name, const std::string& json) {
  if (!fields_.empty()) fields_ += ',';
  fields_ += Quoted(name) + ':' + json;
  return *this;
}

bool RunLog::Open(const std::string& path, platform::Files& files, std::string* reason) {
  std::string full;
  platform::TrapAndReport([&] { full = files.FullPath(path); },
                          [&](const std::string& why) { *reason = "it has no full path: " + why; });
  if (full.empty()) return false;
  std::vector<std::string> folders;
  if (!LogFolders(full, &folders, reason) || !FoldersLeadNowhereElse(files, folders, reason)) {
    return false;
  }
  const platform::LogFacts facts = startUp_.OpenLog(full);
  if (!facts.opened) {
    *reason = "it cannot be opened (error " + std::to_string(facts.error) + ")";
    return false;
  }
  // Where the open really led, through the handle: a folder someone may write can be swapped
  // for a link between the checks above and the open. Without the system's answer (XP), the
  // folders are looked at once more.
  std::string refusal = !facts.diskFile      ? "it is not a file on a disk"
                        : facts.reparsePoint ? "it is a junction or a link to another file"
                        : facts.links != 1   ? "it has other names (hard links)"
                                             : "";
  if (refusal.empty()) {
    switch (facts.finalPathQuery) {
      case platform::RuntimeCall::kSucceeded:
        if (!SamePath(facts.finalPath, full)) refusal = "it leads to " + facts.finalPath;
        break;
      case platform::RuntimeCall::kFailed:
        refusal = "where it leads cannot be checked";
        break;
      case platform::RuntimeCall::kMissing:
        FoldersLeadNowhereElse(files, folders, &refusal);
        break;
    }
  }
  if (refusal.empty() && !startUp_.EmptyLog()) refusal = "it cannot be emptied";
  if (!refusal.empty()) {
    startUp_.CloseLog();
    *reason = refusal;
    return false;
  }
  open_ = true;
  return true;
}

Record RunLog::Make(std::string_view event) {
  return Record(open_ ? IsoTime(startUp_.Now()) : std::string(), event);
}

int RunLog::Counted(int exitCode) const { return complete_ ? exitCode : kExitIncomplete; }

bool RunLog::Write(const Record& record) {
  if (!open_) return true;
  const bool written = startUp_.WriteLog(record.Line());
  complete_ = complete_ && written;
  return written;
}

std::string KeyText(std::uint32_t root, std::string_view keyPath) {
  return RootText(root) + "\\" + std::string(keyPath);
}

std::string RootText(std::uint32_t root) { return platform::RegistryRootName(root); }

void Say(platform::StartUp& startUp, const std::string& text) {
  if (startUp.OpenOutput()) startUp.WriteOutput(text);
}

Record StartRecord(RunLog& log, platform::Os& os, platform::StartUp& startUp) {
  const platform::VersionInfo version = monitor::QueryWindowsVersion(os.info);
  return log.Make("start")
      .Text("program", "Brisko")
      .Text("version", BRISKO_VERSION)
      .Text("windows", std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                           std::to_string(version.build))
      .Text("computer", startUp.ComputerName())
      .Text("user", startUp.UserName());
}

int BeginRun(const std::string& logPath, platform::Os& os, platform::StartUp& startUp,
             RunLog& log) {
  startUp.QuietErrors();
  const MachineClaim claim = ClaimMachine(startUp);
  if (claim.claim == Claim::kHeld) {
    Say(startUp, "Brisko: another Brisko is running on this computer; nothing was changed.\r\n");
    return kExitBusy;
  }
  std::string reason;
  if (!logPath.empty() && !log.Open(logPath, os.files, &reason)) {
    Say(startUp, "Brisko: cannot write the log file " + logPath + ": " + reason +
                     "; nothing was changed.\r\n");
    return kExitNotUnderstood;
  }
  if (!log.Write(StartRecord(log, os, startUp))) {
    Say(startUp, "Brisko: cannot write the log file " + logPath + "; nothing was changed.\r\n");
    return kExitNotUnderstood;
  }
  if (claim.claim == Claim::kFailed) {
    log.Write(log.Make("lock").Text("result", "not taken").Text("reason", claim.reason));
    log.Write(log.Make("end").Number("exitCode", kExitIncomplete));
    Say(startUp, "Brisko: " + claim.reason + "; nothing was changed.\r\n");
    return kExitIncomplete;
  }
  return kExitDone;
}

}  // namespace app
