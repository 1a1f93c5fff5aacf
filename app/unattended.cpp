// The unattended run: the button's six steps, through the same step functions, with a
// listener that keeps every started process, waits for it and writes one JSON object per
// line to the log, so that an administrator can collect the logs of a room of machines.
#include "app/unattended.h"

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "app/run_log.h"
#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/run_listener.h"
#include "catalogue/run_steps.h"
#include "catalogue/service_catalogue.h"
#include "catalogue/settings_backup.h"
#include "platform/failure.h"
#include "platform/system_constants.h"

namespace app {
namespace {

using catalogue::RunStep;
using catalogue::StepName;

constexpr long long kRunLines =
    catalogue::kDiskLines.size() + catalogue::kServiceLines.size() + 1;  // + the temp line
constexpr long long kRunValues = catalogue::kRegistryTweaks.size();

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
            .Text("key", KeyText(row.root, row.keyPath))
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

}  // namespace

int AnswerCommandLine(const Invocation& invocation, platform::StartUp& startUp) {
  if (invocation.action == Action::kShowUsage) {
    Say(startUp, UsageText());
    return kExitDone;
  }
  Say(startUp, "Brisko: " + invocation.error + "\r\n\r\n" + UsageText());
  return kExitNotUnderstood;
}

int RunOptimize(const Invocation& invocation, platform::Os& os, platform::StartUp& startUp,
                std::uint32_t waitLimitMs) {
  RunLog log(startUp);
  if (const int refused = BeginRun(invocation.logPath, os, startUp, log); refused != kExitDone) {
    return refused;
  }
  // The way back first: nothing is changed before the settings the run replaces are saved,
  // unless the caller said to run without.
  std::string savedIn;
  if (invocation.noBackup) {
    log.Write(log.Make("backup").Text("result", "skipped").Text("reason", "/nobackup"));
  } else {
    const catalogue::SaveOutcome saved = catalogue::SaveSettingsBeforeRun(os);
    if (!saved.saved) {
      log.Write(log.Make("backup").Text("result", "not saved").Text("reason", saved.reason));
      log.Write(log.Make("end").Number("exitCode", kExitNotUnderstood));
      Say(startUp, "Brisko: cannot save the current settings (" + saved.reason +
                       "), so they could not be put back later; nothing was changed. "
                       "/nobackup runs without saving them.\r\n");
      return kExitNotUnderstood;
    }
    log.Write(log.Make("backup").Text("result", "saved").Text("file", saved.path));
    savedIn = " The settings it replaced are saved in " + saved.path + ".";
  }

  // No window: the clipboard is opened for this task and the recycle bin has no owner window.
  UnattendedRun run(os.processes, log);
  catalogue::ApplyRunSteps(os, platform::Window(),
                           {.keepProcesses = true, .showRecycleBinProgress = false}, run);
  run.WaitForLines(waitLimitMs);
  int exitCode = log.Counted(run.ExitCode());
  log.Write(run.EndRecord(exitCode));
  exitCode = log.Counted(exitCode);  // the end record itself may be what failed
  Say(startUp, run.Summary(exitCode, waitLimitMs) + savedIn +
                   (log.Complete() ? "" : " The log could not be written completely.") + "\r\n");
  return exitCode;
}

}  // namespace app
