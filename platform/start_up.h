// What a start of brisko.exe needs besides the run and the windows: one Brisko per machine,
// the way back to a window already open, output for whoever started us, a log file, the time
// and the names of the machine and the account. One Win32 implementation, one fake.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace platform {

struct UtcTime {  // SYSTEMTIME, as GetSystemTime gives it
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// What became of an attempt on the machine-wide lock.
struct LockAttempt {
  bool owned = false;  // this process owns it now (also when a Brisko that crashed left it)
  // 0, or the system's error when the lock could not be opened, made or waited for: 5 (access
  // denied), 6 (the name belongs to an object of another kind), ...
  long error = 0;
  std::string where;  // the namespace it is in, for a report: "private" or "Global"
  // Who owns the lock object (GetSecurityInfo on it), when it was opened: every Brisko makes
  // it owned by the Administrators group, so that an object of its name that someone else
  // made first is not taken for another Brisko's.
  Principal owner = Principal::kNone;
  std::string ownerSid;
};

// What the file a log is asked for turned out to be, found before anything in it changes.
struct LogFacts {
  bool opened = false;        // opened, or made where it was missing
  long error = 0;             // the system's error when it was not
  bool diskFile = false;      // a file on a disk, not a device, pipe or console
  bool reparsePoint = false;  // a junction or symbolic link itself
  std::uint32_t links = 0;    // the names the file has (hard links)
  // GetFinalPathNameByHandleW (Vista and later): where the handle really leads, as
  // "\\?\C:\..." or "\\?\UNC\server\share\...".
  RuntimeCall finalPathQuery = RuntimeCall::kMissing;
  std::string finalPath;
};

// Where this process's windows would show: a message box on a window station nobody sees (a
// service's, or session 0 since Vista) waits for an answer that never comes.
struct Station {
  bool visible = true;        // the window station is the interactive one (WSF_VISIBLE)
  std::uint32_t session = 1;  // the process's Terminal Services session; 0 where none is known
};

class StartUp {
 public:
  virtual ~StartUp() = default;

  // --- one Brisko per machine
  // Opens or makes the machine-wide lock, a named mutex that every session and every account
  // sees (in a private namespace bounded to the Administrators group where Windows has one,
  // Vista and later, never elsewhere there; else, where the functions are missing, in the
  // Global namespace), owned by the Administrators group, whose access list lets SYSTEM and
  // the administrators, as whom every Brisko runs, open it; then tries to own it at once. Once
  // owned it is held until the process ends.
  virtual LockAttempt TakeMachineLock() = 0;
  // The account this process runs as (see platform::AccountFacts).
  virtual AccountFacts Account() = 0;
  // Lets go of the lock this process owns, so that a run may start; nothing when it owns none.
  virtual void ReleaseMachineLock() = 0;
  // Restores and raises a visible top-level window of that class on our desktop; false when
  // there is none.
  virtual bool BringToFront(const std::string& windowClass) = 0;
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // A message box with an OK button, for a start from the desktop only (text UTF-8).
  virtual void ShowNotice(const std::string& text, const std::string& title) = 0;
  // A message box with Yes (the default) and No, for a start from the Start menu; true for Yes.
  virtual bool Ask(const std::string& text, const std::string& title) = 0;
  // GetProcessWindowStation and GetUserObjectInformationW(UOI_FLAGS), ProcessIdToSessionId
  // (looked up: Windows 2000 may lack it).
  virtual Station WindowStation() = 0;

  // --- output
  // Finds where text for the caller goes: standard output when the caller redirected it to a
  // file, a pipe or a device that is not a console ("> NUL"), else the console of the process
  // that started us (AttachConsole, looked up
  // at run time). False when there is neither; the program then stays silent. The answer
  // of the first call holds for the rest of the process.
  virtual bool OpenOutput() = 0;
  virtual void WriteOutput(const std::string& text) = 0;

  // --- no dialog may wait for a person
  // SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX):
  // an empty drive or a crash ends in an error code, not in a box nobody answers.
  virtual void QuietErrors() = 0;

  // --- the log file (paths UTF-8)
  // CreateFileW with OPEN_ALWAYS and FILE_FLAG_OPEN_REPARSE_POINT: opens the file itself, or
  // makes it, and changes nothing in it; then GetFileType and GetFileInformationByHandle.
  virtual LogFacts OpenLog(const std::string& path) = 0;
  // Empties the open log (SetEndOfFile at its start); false when that fails.
  virtual bool EmptyLog() = 0;
  // Closes the open log without writing to it.
  virtual void CloseLog() = 0;
  // Appends text at once, unbuffered; false when the write failed.
  virtual bool WriteLog(const std::string& text) = 0;

  // --- time and names, as UTF-8
  virtual UtcTime Now() = 0;
  virtual std::string ComputerName() = 0;
  virtual std::string UserName() = 0;
};

}  // namespace platform
