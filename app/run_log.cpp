// The log's records: JSON objects, one per line, valid UTF-8 whatever they are given.
#include "app/run_log.h"

#include <cstdio>

#include "app/command_line.h"
#include "brisko_version.h"
#include "monitor/version_line.h"
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

bool RunLog::Open(const std::string& path) {
  open_ = startUp_.OpenLog(path);
  return open_;
}

Record RunLog::Make(std::string_view event) {
  return Record(open_ ? IsoTime(startUp_.Now()) : std::string(), event);
}

bool RunLog::Write(const Record& record) {
  if (!open_) return true;
  const bool written = startUp_.WriteLog(record.Line());
  complete_ = complete_ && written;
  return written;
}

std::string KeyText(std::uint32_t root, std::string_view keyPath) {
  const char* name = root == platform::kHkeyCurrentUser    ? "HKEY_CURRENT_USER"
                     : root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE"
                                                           : "HKEY_USERS";
  return std::string(name) + "\\" + std::string(keyPath);
}

void Say(platform::StartUp& startUp, const std::string& text) {
  if (startUp.OpenOutput()) startUp.WriteOutput(text);
}

int BeginRun(const std::string& logPath, platform::Os& os, platform::StartUp& startUp,
             RunLog& log) {
  if (!startUp.ClaimMachine()) {
    Say(startUp, "Brisko: another Brisko is running on this computer; nothing was changed.\r\n");
    return kExitBusy;
  }
  const auto refuse = [&] {
    Say(startUp, "Brisko: cannot write the log file " + logPath + "; nothing was changed.\r\n");
    return kExitNotUnderstood;
  };
  if (!logPath.empty() && !log.Open(logPath)) return refuse();
  const platform::VersionInfo version = monitor::QueryWindowsVersion(os.info);
  const Record start =
      log.Make("start")
          .Text("program", "Brisko")
          .Text("version", BRISKO_VERSION)
          .Text("windows", std::to_string(version.major) + "." + std::to_string(version.minor) +
                               "." + std::to_string(version.build))
          .Text("computer", startUp.ComputerName())
          .Text("user", startUp.UserName());
  if (!log.Write(start)) return refuse();
  return kExitDone;
}

}  // namespace app
