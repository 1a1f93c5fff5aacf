// What a start of brisko.exe needs besides the run and the windows: one Brisko per machine,
// the way back to a window already open, output for whoever started us, a log file, the time
// and the names of the machine and the account. One Win32 implementation, one fake.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct UtcTime {  // SYSTEMTIME, as GetSystemTime gives it
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

class StartUp {
 public:
  virtual ~StartUp() = default;

  // --- one Brisko per machine
  // Takes the machine-wide lock, a named mutex in the global namespace that every session
  // and every account sees, and holds it until the process ends. False while another
  // Brisko holds it, or when the lock cannot be had at all (another account's lock that we
  // may not open counts as held).
  virtual bool ClaimMachine() = 0;
  // Restores and raises a visible top-level window of that class on our desktop; false when
  // there is none.
  virtual bool BringToFront(const std::string& windowClass) = 0;
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // A message box with an OK button, for a start from the desktop only (text UTF-8).
  virtual void ShowNotice(const std::string& text, const std::string& title) = 0;
  // A message box with Yes (the default) and No, for a start from the Start menu; true for Yes.
  virtual bool Ask(const std::string& text, const std::string& title) = 0;

  // --- output
  // Finds where text for the caller goes: standard output when the caller redirected it to a
  // file or pipe, else the console of the process that started us (AttachConsole, looked up
  // at run time). False when there is neither; the program then stays silent. The answer
  // of the first call holds for the rest of the process.
  virtual bool OpenOutput() = 0;
  virtual void WriteOutput(const std::string& text) = 0;

  // --- the log file
  // Creates the file, or empties it, for writing; false when that cannot be done.
  virtual bool OpenLog(const std::string& path) = 0;
  // Appends text at once, unbuffered; false when the write failed.
  virtual bool WriteLog(const std::string& text) = 0;

  // --- time and names, as UTF-8
  virtual UtcTime Now() = 0;
  virtual std::string ComputerName() = 0;
  virtual std::string UserName() = 0;
};

}  // namespace platform
