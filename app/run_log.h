// The log of brisko.exe /optimize and /undo: one JSON object per line, so that an
// administrator can collect the logs of a room of machines and read them with any tool.
// docs/deployment.md publishes its records and fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os.h"
#include "platform/start_up.h"

namespace app {

// One record of the log: a JSON object on one line, its fields in the order added.
class Record {
 public:
  Record(const std::string& time, std::string_view event);
  Record& Text(std::string_view name, std::string_view value);
  Record& Number(std::string_view name, long long value);
  // CR LF, so that the log also reads line by line in the simplest editor.
  std::string Line() const;

 private:
  Record& Field(std::string_view name, const std::string& json);
  std::string fields_;
};

// The log file /log asked for; until it is opened every record is dropped and nothing is
// written.
class RunLog {
 public:
  explicit RunLog(platform::StartUp& startUp) : startUp_(startUp) {}
  // Opens the file for the log, or makes it, and empties it, unless it is not a plain file of
  // its own: a run as SYSTEM must never empty another file through a link that someone who
  // may write the folder put there. False, with the reason, when it is refused or cannot be
  // had; nothing in it has changed then.
  bool Open(const std::string& path, platform::Files& files, std::string* reason);
  Record Make(std::string_view event);
  // False when the record could not be written; the run goes on regardless.
  bool Write(const Record& record);
  bool Complete() const { return complete_; }
  // The exit code of a run once its log is counted in: a log that could not be written to its
  // end leaves a run nobody can account for (it reads as one that was stopped), so 1.
  int Counted(int exitCode) const;

 private:
  platform::StartUp& startUp_;
  bool open_ = false;
  bool complete_ = true;
};

// How /optimize and /undo begin: no dialog may wait for anyone; the machine-wide lock first (a
// second run must not empty the first one's log), then the log and its start record. 0 to go
// on; else the exit code, having said why (and logged it, where the log could be opened):
// 1618 when another Brisko runs, 1 when the lock cannot be had, 2 when the log cannot be
// written.
int BeginRun(const std::string& logPath, platform::Os& os, platform::StartUp& startUp,
             RunLog& log);

// The first record of every log: the program and its version, Windows, the computer and the
// account.
Record StartRecord(RunLog& log, platform::Os& os, platform::StartUp& startUp);

// A registry key as the log names it: "HKEY_LOCAL_MACHINE\SYSTEM\...".
std::string KeyText(std::uint32_t root, std::string_view keyPath);
// Its root alone: "HKEY_LOCAL_MACHINE".
std::string RootText(std::uint32_t root);

// Text for whoever started us, when they have a console or redirected our output.
void Say(platform::StartUp& startUp, const std::string& text);

}  // namespace app
