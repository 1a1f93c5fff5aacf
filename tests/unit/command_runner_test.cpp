// Starting a line: which interpreter, in which folder, and file-system redirection switched
// off just around the start on 64-bit Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "platform/failure.h"
#include "platform/system_constants.h"
#include "tests/fakes/fake_os.h"

using fakes::FakeOs;
using platform::RuntimeCall;

namespace {
const std::string kLine = "cmd /c  DISKPERF -N";
}

TEST(RunCommandLine, InterpreterFolderAndRedirectionFollowTheSystem) {
  const std::string start32 =
      "CreateProcess 0 C:\\WINDOWS\\system32\\cmd.exe in C:\\WINDOWS\\system32 | " + kLine;
  const std::string startNative =
      "CreateProcess 0 C:\\WINDOWS\\system32\\cmd.exe in C:\\WINDOWS\\system32 native | " + kLine;
  const struct {
    const char* system;
    RuntimeCall wow64Call;
    bool wow64;
    RuntimeCall disableCall;
    std::vector<std::string> expected;
  } cases[] = {
      {"Windows 2000: no question, so 32-bit",
       RuntimeCall::kMissing,
       true,
       RuntimeCall::kSucceeded,
       {"SystemDirectory", "IsWow64Process missing", start32}},
      {"the question fails: as 32-bit",
       RuntimeCall::kFailed,
       true,
       RuntimeCall::kSucceeded,
       {"SystemDirectory", "IsWow64Process failed", start32}},
      {"32-bit XP SP3",
       RuntimeCall::kSucceeded,
       false,
       RuntimeCall::kSucceeded,
       {"SystemDirectory", "IsWow64Process", start32}},
      {"64-bit Windows",
       RuntimeCall::kSucceeded,
       true,
       RuntimeCall::kSucceeded,
       {"SystemDirectory", "IsWow64Process", "DisableFsRedirection", startNative,
        "RevertFsRedirection"}},
      {"64-bit without the switch: starts as before",
       RuntimeCall::kSucceeded,
       true,
       RuntimeCall::kMissing,
       {"SystemDirectory", "IsWow64Process", "DisableFsRedirection missing", start32}},
      {"64-bit, switch refused: starts as before",
       RuntimeCall::kSucceeded,
       true,
       RuntimeCall::kFailed,
       {"SystemDirectory", "IsWow64Process", "DisableFsRedirection failed", start32}},
  };
  for (const auto& c : cases) {
    FakeOs os;
    os.wow64Call = c.wow64Call;
    os.wow64 = c.wow64;
    os.disableRedirectionCall = c.disableCall;
    EXPECT_EQ(platform::RunCommandLine(os, kLine, platform::kSwHide), 1001u) << c.system;
    EXPECT_EQ(os.trace, c.expected) << c.system;
    EXPECT_FALSE(os.redirectionDisabled) << c.system;
  }
}

TEST(RunCommandLine, RedirectionIsRestoredWhenTheStartFails) {
  FakeOs os;
  os.wow64 = true;
  os.FailOn("CreateProcess", 1);
  EXPECT_THROW(platform::RunCommandLine(os, kLine, platform::kSwShowNormal), platform::Failure);
  EXPECT_EQ(os.trace.back(), "RevertFsRedirection");
  EXPECT_FALSE(os.redirectionDisabled);
}

// The system's words for a failed start are asked for only once redirection is on again, and
// they, not the bare error code, are what the failure says.
TEST(RunCommandLine, FailedStartIsPutIntoWordsAfterRedirectionIsRestored) {
  const std::string line32 = "C:\\WINDOWS\\system32\\cmd.exe in C:\\WINDOWS\\system32";
  const struct {
    const char* system;
    bool wow64;
    std::vector<std::string> expected;
  } cases[] = {
      {"32-bit XP SP3",
       false,
       {"SystemDirectory", "IsWow64Process", "CreateProcess 0 " + line32 + " | " + kLine,
        "SystemMessage 2"}},
      {"64-bit Windows",
       true,
       {"SystemDirectory", "IsWow64Process", "DisableFsRedirection",
        "CreateProcess 0 " + line32 + " native | " + kLine, "RevertFsRedirection",
        "SystemMessage 2"}},
  };
  const std::string words = "Nie można odnaleźć określonego pliku.";
  for (const auto& c : cases) {
    FakeOs os;
    os.wow64 = c.wow64;
    os.createProcessError = 2;
    os.systemMessages[2] = words;
    std::string what;
    try {
      platform::RunCommandLine(os, kLine, platform::kSwHide);
      ADD_FAILURE() << c.system << ": the start did not fail";
    } catch (const platform::Failure& failure) {
      what = failure.what();
    }
    EXPECT_EQ(what, words) << c.system;
    EXPECT_EQ(os.trace, c.expected) << c.system;
    EXPECT_FALSE(os.redirectionDisabled) << c.system;
  }
}

TEST(RunCommandLine, StartsInWhateverTheSystemDirectoryIs) {
  FakeOs os;
  os.systemDirectory = "D:\\WINNT\\system32";
  platform::RunCommandLine(os, kLine, platform::kSwHide);
  EXPECT_EQ(os.trace.back(),
            "CreateProcess 0 D:\\WINNT\\system32\\cmd.exe in D:\\WINNT\\system32 | " + kLine);
}
