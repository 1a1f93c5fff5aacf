// Every line we start begins "cmd /c". Naming the interpreter only on the command line
// would let the program search find a cmd.exe planted in our own or the current folder and
// run it with the user's rights, so the system directory's cmd.exe is named outright.
#include "platform/command_runner.h"

namespace platform {

std::uint32_t RunCommandLine(Processes& processes, const std::string& commandLine, int windowState,
                             Handle* keptProcess) {
  const std::string interpreter = processes.SystemDirectory() + "\\cmd.exe";
  return processes.StartProcess(interpreter, commandLine, windowState, keptProcess);
}

}  // namespace platform
