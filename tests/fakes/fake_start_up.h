// The start-up services for unit tests: a lock that is free or held, windows that are there
// or not, output and a log file that keep what was written, a fixed clock.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/start_up.h"

namespace fakes {

class FakeStartUp : public platform::StartUp {
 public:
  std::vector<std::string> trace;  // "TakeMachineLock", "BringToFront BriskoMainWindow", ...

  int lockHeldFor = 0;  // how many claims fail before the other Brisko lets go; -1: always
  long lockError = 0;   // the lock cannot be opened at all: access denied (5), another kind (6)
  // Who made the lock that is held: another Brisko makes it the Administrators group's.
  platform::Principal lockOwner = platform::Principal::kAdministrators;
  platform::AccountFacts account;        // as on XP: no split tokens
  std::set<std::string> visibleWindows;  // window classes another Brisko shows here
  bool hasOutput = true;
  std::string output;
  bool logOpens = true;
  // What the log's path turns out to be: a plain file on a disk with one name, by default.
  platform::LogFacts logFacts{.opened = true,
                              .diskFile = true,
                              .links = 1,
                              .finalPathQuery = platform::RuntimeCall::kSucceeded};
  // Where the open led, as the system would say; by default the path asked for.
  std::string logFinalPath;
  bool logEmptied = false;
  bool logClosed = false;
  bool errorsQuiet = false;
  int logWritesAccepted = -1;      // after this many writes, the disk is full; -1: never
  std::set<int> logWritesFailing;  // these writes (1-based) fail, the others go through
  std::string logRecordsFailing;   // records that hold this text fail, when not empty
  std::string logPath;
  std::vector<std::string> log;  // one entry per write that went through
  int logWrites = 0;             // writes tried
  std::vector<std::string> notices;
  platform::UtcTime now{2026, 12, 10, 8, 30, 5, 42};

  platform::LockAttempt TakeMachineLock() override {
    trace.push_back("TakeMachineLock");
    if (lockError != 0) return {.owned = false, .error = lockError, .where = "Global"};
    const platform::LockAttempt held{
        .owned = false, .where = "Global", .owner = lockOwner, .ownerSid = "S-1-5-21-7-7-7-1001"};
    if (lockHeldFor < 0) return held;
    if (lockHeldFor > 0) return --lockHeldFor, held;
    return {.owned = true, .where = "private"};
  }
  platform::AccountFacts Account() override { return account; }
  void ReleaseMachineLock() override { trace.push_back("ReleaseMachineLock"); }
  platform::Station station;  // by default the interactive one, in a user's session
  platform::Station WindowStation() override {
    trace.push_back("WindowStation");
    return station;
  }
  void QuietErrors() override {
    trace.push_back("QuietErrors");
    errorsQuiet = true;
  }
  bool BringToFront(const std::string& windowClass) override {
    trace.push_back("BringToFront " + windowClass);
    return visibleWindows.count(windowClass) != 0;
  }
  void Pause(std::uint32_t milliseconds) override {
    trace.push_back("Pause " + std::to_string(milliseconds));
  }
  void ShowNotice(const std::string& text, const std::string& /*title*/) override {
    trace.push_back("ShowNotice");
    notices.push_back(text);
  }
  bool answer = true;  // what the person answers to a question
  std::vector<std::string> questions;
  bool Ask(const std::string& text, const std::string& /*title*/) override {
    trace.push_back("Ask");
    questions.push_back(text);
    return answer;
  }
  bool OpenOutput() override { return hasOutput; }
  void WriteOutput(const std::string& text) override { output += text; }
  platform::LogFacts OpenLog(const std::string& path) override {
    trace.push_back("OpenLog " + path);
    logPath = path;
    if (!logOpens) return {.opened = false, .error = 3};
    platform::LogFacts facts = logFacts;
    if (facts.finalPathQuery == platform::RuntimeCall::kSucceeded && facts.finalPath.empty()) {
      facts.finalPath = logFinalPath.empty() ? "\\\\?\\" + path : logFinalPath;
    }
    return facts;
  }
  bool EmptyLog() override {
    trace.push_back("EmptyLog");
    logEmptied = true;
    return true;
  }
  void CloseLog() override {
    trace.push_back("CloseLog");
    logClosed = true;
  }
  bool WriteLog(const std::string& text) override {
    if (logWritesFailing.count(++logWrites) != 0) return false;
    if (!logRecordsFailing.empty() && text.find(logRecordsFailing) != std::string::npos) {
      return false;
    }
    if (logWritesAccepted == 0) return false;
    if (logWritesAccepted > 0) --logWritesAccepted;
    log.push_back(text);
    return true;
  }
  platform::UtcTime Now() override { return now; }
  std::string computerName = "LAB-07";
  std::string ComputerName() override { return computerName; }
  std::string UserName() override { return "SYSTEM"; }
};

}  // namespace fakes
