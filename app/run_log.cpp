// The log's records: JSON objects, one per line, valid UTF-8 whatever they are given.
#include "app/run_log.h"

#include <cstdio>

#include "app/command_line.h"
#include "app/single_instance.h"
#include "brisko_version.h"
#include "monitor/version_line.h"
#include "platform/failure.h"
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
  // A folder that leads elsewhere (a junction) is refused as well: the file's own checks
  // below cannot see through it.
  const std::size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0) {
    platform::FolderFacts folder;
    platform::Trap([&] { folder = files.InspectFolder(path.substr(0, slash)); });
    if (folder.exists && folder.reparsePoint) {
      *reason = "its folder leads to another place (a junction or link)";
      return false;
    }
  }
  const platform::LogFacts facts = startUp_.OpenLog(path);
  if (!facts.opened) {
    *reason = "it cannot be opened (error " + std::to_string(facts.error) + ")";
    return false;
  }
  const char* refusal = !facts.diskFile        ? "it is not a file on a disk"
                        : facts.reparsePoint   ? "it is a junction or a link to another file"
                        : facts.links != 1     ? "it has other names (hard links)"
                        : !startUp_.EmptyLog() ? "it cannot be emptied"
                                               : nullptr;
  if (refusal != nullptr) {
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

std::string RootText(std::uint32_t root) {
  return root == platform::kHkeyCurrentUser    ? "HKEY_CURRENT_USER"
         : root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE"
                                               : "HKEY_USERS";
}

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
