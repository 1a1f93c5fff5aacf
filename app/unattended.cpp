// The unattended run: the button's six steps, through the same step functions, with a
// listener that keeps every started process, waits for it and writes one JSON object per
// line to the log, so that an administrator can collect the logs of a room of machines.
#include "app/unattended.h"

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "brisko_version.h"
#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/run_listener.h"
#include "catalogue/run_steps.h"
#include "catalogue/service_catalogue.h"
#include "monitor/version_line.h"
#include "platform/failure.h"
#include "platform/system_constants.h"

namespace app {
namespace {

using catalogue::RunStep;
using catalogue::StepName;

constexpr long long kRunLines =
    catalogue::kDiskLines.size() + catalogue::kServiceLines.size() + 1;  // + the temp line
constexpr long long kRunValues = catalogue::kRegistryTweaks.size();

std::string_view RootName(std::uint32_t root) {
  switch (root) {
    case platform::kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case platform::kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    default:
      break;
  }
  return "HKEY_USERS";
}

// The length of the UTF-8 sequence at text[i], or 0 when none starts there.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = i + 1; k < i + length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  }
  return length;
}

// A JSON string: quotes, backslashes and control characters escaped; UTF-8 as it is. A
// system message in the ANSI code page is not UTF-8: its other bytes are escaped as the
// Latin-1 characters they most often are, so that the log stays valid UTF-8 JSON.
std::string Quoted(std::string_view text) {
  std::string json = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += text[i];
    } else if (c >= 0x20 && c < 0x80) {
      json += text[i];
    } else if (const std::size_t length = c >= 0x80 ? Utf8Length(text, i) : 0; length > 0) {
      json += text.substr(i, length);
      i += length - 1;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      json += escaped;
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

// One record of the log: a JSON object on one line, its fields in the order added.
class Record {
 public:
  Record(const std::string& time, std::string_view event) {
    Text("time", time);
    Text("event", event);
  }
  Record& Text(std::string_view name, std::string_view value) { return Field(name, Quoted(value)); }
  Record& Number(std::string_view name, long long value) {
    return Field(name, std::to_string(value));
  }
  // CR LF, so that the log also reads line by line in the simplest editor.
  std::string Line() const { return "{" + fields_ + "}\r\n"; }

 private:
  Record& Field(std::string_view name, const std::string& json) {
    if (!fields_.empty()) fields_ += ',';
    fields_ += Quoted(name) + ':' + json;
    return *this;
  }
  std::string fields_;
};

// The log file /log asked for; without /log every record is dropped and nothing is written.
class RunLog {
 public:
  RunLog(platform::StartUp& startUp, bool open) : startUp_(startUp), open_(open) {}
  Record Make(std::string_view event) {
    return Record(open_ ? IsoTime(startUp_.Now()) : std::string(), event);
  }
  // False when the record could not be written; the run goes on regardless.
  bool Write(const Record& record) {
    if (!open_) return true;
    const bool written = startUp_.WriteLog(record.Line());
    complete_ = complete_ && written;
    return written;
  }
  bool Complete() const { return complete_; }

 private:
  platform::StartUp& startUp_;
  bool open_;
  bool complete_ = true;
};

struct StartedLine {
  RunStep step;
  int number = 0;
  std::string line;
  std::uint32_t processId = 0;
  platform::Handle process = 0;  // kept until its exit is known
};

struct Tally {
  long long linesStarted = 0, linesNotStarted = 0, linesStillRunning = 0, waitsFailed = 0;
  long long valuesWritten = 0, valuesRefused = 0, stepsEnded = 0;
  bool wallpaperRefused = false, urlHistoryCleared = false;
};

class UnattendedRun : public catalogue::RunListener {
 public:
  UnattendedRun(platform::Processes& processes, RunLog& log) : processes_(processes), log_(log) {}
  ~UnattendedRun() override {
    for (StartedLine& line : started_) Close(line);
  }
  UnattendedRun(const UnattendedRun&) = delete;
  UnattendedRun& operator=(const UnattendedRun&) = delete;

  void LineStarted(RunStep step, std::string_view line, std::uint32_t processId,
                   platform::Handle keptProcess) override {
    started_.push_back({step, ++lines_, std::string(line), processId, keptProcess});
    ++tally_.linesStarted;
    log_.Write(
        LineRecord("line", started_.back()).Text("result", "started").Number("process", processId));
  }
  void LineNotStarted(RunStep step, std::string_view line, const std::string& reason) override {
    ++tally_.linesNotStarted;
    log_.Write(LineRecord("line", {step, ++lines_, std::string(line)})
                   .Text("result", "not started")
                   .Text("reason", reason));
  }
  void ValueWritten(const catalogue::RegistryTweak& row, long result) override {
    Record record = ValueRecord(row);
    if (result == 0) {
      ++tally_.valuesWritten;
      record.Text("result", "written");
    } else {
      ++tally_.valuesRefused;
      record.Text("result", "refused").Number("error", result);
    }
    log_.Write(record);
  }
  void ValueNotWritten(const catalogue::RegistryTweak& row, const std::string& reason) override {
    ++tally_.valuesRefused;
    log_.Write(ValueRecord(row).Text("result", "not written").Text("reason", reason));
  }
  void WallpaperRemoved(bool accepted) override {
    tally_.wallpaperRefused = !accepted;
    log_.Write(StepRecord("wallpaper", RunStep::kCleanDiskAndDesktop)
                   .Text("result", accepted ? "removed" : "refused"));
  }
  void ClipboardEmptied(bool opened, bool emptied) override {
    const std::string_view result =
        !opened ? "held by another program" : (emptied ? "emptied" : "not emptied");
    log_.Write(StepRecord("clipboard", RunStep::kCleanDiskAndDesktop).Text("result", result));
  }
  void RecycleBinEmptied(long result) override {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    log_.Write(StepRecord("recycle bin", RunStep::kEmptyRecycleBin)
                   .Text("result", result == 0 ? "emptied" : "empty already, or refused")
                   .Text("code", code));
  }
  void UrlHistoryCleared(bool cleared) override {
    tally_.urlHistoryCleared = cleared;
    log_.Write(StepRecord("url history", RunStep::kClearUrlHistory)
                   .Text("result", cleared ? "cleared" : "not cleared"));
  }
  void StepEnded(RunStep step, const std::string& reason) override {
    ++tally_.stepsEnded;
    log_.Write(StepRecord("step ended", step).Text("reason", reason));
  }

  // Waits for each line in start order, all of them within one time limit. A line still
  // running at the limit is left running: only our handle to it is closed.
  void WaitForLines(std::uint32_t limitMs) {
    log_.Write(log_.Make("waiting")
                   .Number("lines", static_cast<long long>(started_.size()))
                   .Number("limitSeconds", limitMs / 1000));
    const std::uint32_t start = processes_.Milliseconds();
    for (StartedLine& line : started_) {
      const std::uint32_t elapsed = processes_.Milliseconds() - start;
      const std::uint32_t left = elapsed < limitMs ? limitMs - elapsed : 0;
      std::uint32_t exitCode = 0;
      bool ended = false, waited = false;
      std::string reason;
      platform::TrapAndReport(
          [&] {
            ended = processes_.WaitForProcess(line.process, left, &exitCode);
            waited = true;
          },
          [&](const std::string& why) { reason = why; });
      Record record = LineRecord("exit", line).Number("process", line.processId);
      if (!waited) {
        ++tally_.waitsFailed;
        record.Text("result", "unknown").Text("reason", reason);
      } else if (ended) {
        record.Text("result", "ended").Number("exitCode", exitCode);
      } else {
        ++tally_.linesStillRunning;
        record.Text("result", "still running");
      }
      log_.Write(record);
      Close(line);
    }
  }

  // A line's own exit code is not ours to judge (net stop of a missing service fails as it
  // should); not being able to start it, write a value or finish a step is. The clipboard
  // held by another program and the recycle bin's answer are logged only: both are normal.
  int ExitCode() const {
    const bool incomplete = tally_.stepsEnded > 0 || tally_.linesNotStarted > 0 ||
                            tally_.valuesRefused > 0 || tally_.waitsFailed > 0 ||
                            tally_.wallpaperRefused || !tally_.urlHistoryCleared;
    return incomplete ? kExitIncomplete : kExitDone;
  }

  Record EndRecord(int exitCode) {
    return log_.Make("end")
        .Number("exitCode", exitCode)
        .Number("linesStarted", tally_.linesStarted)
        .Number("linesNotStarted", tally_.linesNotStarted)
        .Number("linesStillRunning", tally_.linesStillRunning)
        .Number("valuesWritten", tally_.valuesWritten)
        .Number("valuesRefused", tally_.valuesRefused)
        .Number("stepsEndedEarly", tally_.stepsEnded);
  }

  std::string Summary(int exitCode, std::uint32_t limitMs) const {
    return "Brisko /optimize: exit code " + std::to_string(exitCode) + "; " +
           std::to_string(tally_.linesStarted) + " of " + std::to_string(kRunLines) +
           " command lines started, " + std::to_string(tally_.linesStillRunning) +
           " still running after " + std::to_string(limitMs / 60000) + " minutes; " +
           std::to_string(tally_.valuesWritten) + " of " + std::to_string(kRunValues) +
           " registry values written; " + std::to_string(tally_.stepsEnded) + " steps ended early.";
  }

 private:
  Record StepRecord(std::string_view event, RunStep step) {
    return log_.Make(event).Text("step", StepName(step));
  }
  Record LineRecord(std::string_view event, const StartedLine& line) {
    return StepRecord(event, line.step).Number("number", line.number).Text("line", line.line);
  }
  Record ValueRecord(const catalogue::RegistryTweak& row) {
    Record record =
        StepRecord("value", RunStep::kApplyRegistryTweaks)
            .Number("number", ++values_)
            .Text("key", std::string(RootName(row.root)) + "\\" + std::string(row.keyPath))
            .Text("name", row.valueName);
    if (row.type == platform::kRegSz) return record.Text("type", "REG_SZ").Text("data", row.text);
    return record.Text("type", "REG_DWORD").Number("data", row.number);
  }
  void Close(StartedLine& line) {
    if (line.process != 0) processes_.CloseProcess(std::exchange(line.process, 0));
  }

  platform::Processes& processes_;
  RunLog& log_;
  std::vector<StartedLine> started_;
  int lines_ = 0, values_ = 0;
  Tally tally_;
};

// Text for whoever started us, when they have a console or redirected our output.
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

}  // namespace

int AnswerCommandLine(const Invocation& invocation, platform::StartUp& startUp) {
  if (invocation.action == Action::kShowUsage) {
    Say(startUp, UsageText());
    return kExitDone;
  }
  Say(startUp, "Brisko: " + invocation.error + "\r\n\r\n" + UsageText());
  return kExitNotUnderstood;
}

int RunOptimize(const std::string& logPath, platform::Os& os, platform::StartUp& startUp,
                std::uint32_t waitLimitMs) {
  // The lock comes before the log: a second run must not empty the first run's log.
  if (!startUp.ClaimMachine()) {
    Say(startUp, "Brisko: another Brisko is running on this computer; nothing was changed.\r\n");
    return kExitBusy;
  }
  const bool logging = !logPath.empty();
  if (logging && !startUp.OpenLog(logPath)) {
    Say(startUp, "Brisko: cannot write the log file " + logPath + "; nothing was changed.\r\n");
    return kExitNotUnderstood;
  }
  RunLog log(startUp, logging);
  if (!log.Write(StartRecord(log, os, startUp))) {
    Say(startUp, "Brisko: cannot write the log file " + logPath + "; nothing was changed.\r\n");
    return kExitNotUnderstood;
  }

  // No window: the clipboard is opened for this task and the recycle bin has no owner window.
  UnattendedRun run(os.processes, log);
  catalogue::ApplyRunSteps(os, platform::Window(),
                           {.keepProcesses = true, .showRecycleBinProgress = false}, run);
  run.WaitForLines(waitLimitMs);
  const int exitCode = run.ExitCode();
  log.Write(run.EndRecord(exitCode));
  Say(startUp, run.Summary(exitCode, waitLimitMs) +
                   (log.Complete() ? "" : " The log could not be written completely.") + "\r\n");
  return exitCode;
}

}  // namespace app
