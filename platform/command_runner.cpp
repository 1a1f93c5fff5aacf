// Every line we start begins "cmd /c". Naming the interpreter only on the command line
// would let the program search find a cmd.exe planted in our own or the current folder and
// run it with the user's rights, so the system directory's cmd.exe is named outright.
//
// The interpreter then looks for each bare tool name ("net", "sc", "defrag") in its current
// folder before PATH, and a child inherits ours: Explorer makes a downloaded brisko.exe's
// folder the current one, so a net.bat lying beside it would run elevated. Every line
// therefore starts in the system directory, where the current-folder search can only find
// the system's own tools. NoDefaultCurrentDirectoryInExePath is not set: with the system
// directory as current folder it would only move the search on to PATH, whose earlier
// entries may be folders a user can write; XP's interpreter ignores it anyway; and it would
// mean building a changed environment block instead of handing down ours.
//
// On 64-bit Windows our system directory is the 32-bit copy (SysWOW64), whose cmd.exe runs
// the 32-bit copies of the tools, and some tools (the file check) refuse to work from a
// 32-bit process. So file-system redirection is switched off for this thread just around
// the start: the same path then names the native cmd.exe, and the native interpreter sees
// the native system folder as its current folder and on its PATH. This works on every
// 64-bit Windows from XP x64 on (the Sysnative alias exists only from Vista), keeps the one
// interpreter path of 32-bit Windows; the redirection is restored right after the start,
// also when the start fails.
#include "platform/command_runner.h"

#include "platform/failure.h"
#include "platform/wow64.h"

namespace platform {
namespace {

// Switches file-system redirection off for its lifetime, where it can be; where the call is
// missing or refused the line starts as before, with the 32-bit interpreter.
class NativeFileSystem {
 public:
  NativeFileSystem(Processes& processes, bool wow64) : processes_(processes) {
    if (wow64) disabled_ = processes_.DisableFsRedirection(&previous_) == RuntimeCall::kSucceeded;
  }
  ~NativeFileSystem() {
    if (disabled_) Ignore(processes_.RevertFsRedirection(previous_));
  }
  NativeFileSystem(const NativeFileSystem&) = delete;
  NativeFileSystem& operator=(const NativeFileSystem&) = delete;

 private:
  Processes& processes_;
  Handle previous_ = 0;
  bool disabled_ = false;
};

}  // namespace

std::uint32_t RunCommandLine(Processes& processes, const std::string& commandLine, int windowState,
                             Handle* keptProcess) {
  const std::string systemDirectory = processes.SystemDirectory();
  const std::string interpreter = systemDirectory + "\\cmd.exe";
  const bool wow64 = RunsUnderWow64(processes);
  // A start that fails is put into words only once redirection is back on: the system may
  // load the text from files in the system folder (its language resource files), and with
  // redirection off this thread would reach the native 64-bit copies instead of ours.
  return DescribeSystemFailure(
      [&] {
        NativeFileSystem native(processes, wow64);
        return processes.StartProcess(interpreter, commandLine, windowState, systemDirectory,
                                      keptProcess);
      },
      [&](unsigned long code) { return processes.SystemMessage(code); });
}

}  // namespace platform
