// brisko.exe's command line: which start each command line asks for, and the exit code of
// one that is not understood.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/unattended.h"
#include "tests/fakes/fake_start_up.h"

using app::Action;

namespace {

struct Case {
  std::vector<std::string> arguments;
  Action action;
  std::string logPath = "";
  std::string undoPath = "";
  bool ask = false;
  bool noBackup = false;
};

const Case kCases[] = {
    {{}, Action::kOpenWindows},
    {{"/optimize"}, Action::kOptimize},
    {{"-OPTIMIZE"}, Action::kOptimize},
    {{"/Optimize", "/LOG", R"(C:\brisko.log)"}, Action::kOptimize, R"(C:\brisko.log)"},
    {{"-log", R"(\\server\logs\lab 7.log)", "/optimize"},
     Action::kOptimize,
     R"(\\server\logs\lab 7.log)"},
    {{"/?"}, Action::kShowUsage},
    {{"-?"}, Action::kShowUsage},
    {{"/HELP"}, Action::kShowUsage},
    {{"/optimize", "/?"}, Action::kShowUsage},  // asking for help runs nothing
    {{"/optimize", "/NoBackup"}, Action::kOptimize, "", "", false, true},
    {{"/undo"}, Action::kUndo},
    {{"/UNDO", R"(C:\ProgramData\Brisko\a b.reg)"}, Action::kUndo, "", R"(C:\ProgramData\Brisko\a b.reg)"},
    {{"/undo", "x.reg", "/log", "u.log"}, Action::kUndo, "u.log", "x.reg"},
    {{"/undo", "/ask"}, Action::kUndo, "", "", true},
    {{"-ask", "/undo", "x.reg"}, Action::kUndo, "", "x.reg", true},
    {{"/audit"}, Action::kAudit},
    {{"-Audit", "/log", R"(C:\ProgramData\Brisko\audit.log)"},
     Action::kAudit,
     R"(C:\ProgramData\Brisko\audit.log)"},
    // Not understood: exit code 2.
    {{"/optimise"}, Action::kRefuse},
    {{"--optimize"}, Action::kRefuse},
    {{"optimize"}, Action::kRefuse},
    {{"/optimize", "extra"}, Action::kRefuse},
    {{"/optimize", "/log"}, Action::kRefuse},
    {{"/optimize", "/log", "/x.log"}, Action::kRefuse},  // the file name was left out
    {{"/optimize", "/log", ""}, Action::kRefuse},
    {{"/log", "a.log"}, Action::kRefuse},  // a log of what? /log goes with /optimize
    {{"/optimize", "/optimize"}, Action::kRefuse},
    {{"/optimize", "/log", "a.log", "/log", "b.log"}, Action::kRefuse},
    {{"/"}, Action::kRefuse},
    {{"/optimize:"}, Action::kRefuse},
    {{"/?", "/bogus"}, Action::kRefuse},
    {{"/undo", "a.reg", "b.reg"}, Action::kRefuse},
    {{"/undo", "/ask", "a.reg"}, Action::kRefuse},  // the file follows /undo
    {{"/undo", "/undo"}, Action::kRefuse},
    {{"/optimize", "/undo"}, Action::kRefuse},
    {{"/nobackup"}, Action::kRefuse},
    {{"/undo", "/nobackup"}, Action::kRefuse},
    {{"/ask"}, Action::kRefuse},
    {{"/optimize", "/ask"}, Action::kRefuse},
    // The audit changes nothing, so a line that also asks for a change is a mistake.
    {{"/audit", "/optimize"}, Action::kRefuse},
    {{"/undo", "/audit"}, Action::kRefuse},
    {{"/audit", "/nobackup"}, Action::kRefuse},
    {{"/audit", "/ask"}, Action::kRefuse},
    {{"/audit", "/audit"}, Action::kRefuse},
    {{"/audit", "extra"}, Action::kRefuse},
};

std::string Joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += "[" + argument + "] ";
  return text;
}

}  // namespace

TEST(CommandLine, EachCommandLineAndItsAnswer) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(Joined(c.arguments));
    const app::Invocation invocation = app::ParseCommandLine(c.arguments);
    EXPECT_EQ(invocation.action, c.action);
    EXPECT_EQ(invocation.logPath, c.logPath);
    EXPECT_EQ(invocation.undoPath, c.undoPath);
    EXPECT_EQ(invocation.ask, c.ask);
    EXPECT_EQ(invocation.noBackup, c.noBackup);
    if (c.action != Action::kRefuse && c.action != Action::kShowUsage) continue;

    fakes::FakeStartUp startUp;
    const int exitCode = app::AnswerCommandLine(invocation, startUp);
    EXPECT_EQ(exitCode, c.action == Action::kRefuse ? 2 : 0);
    // The reason first, then the usage; nothing is claimed, opened or logged.
    EXPECT_NE(startUp.output.find(app::UsageText()), std::string::npos);
    if (c.action == Action::kRefuse) {
      EXPECT_EQ(startUp.output.rfind("Brisko: " + invocation.error, 0), 0u) << startUp.output;
      EXPECT_FALSE(invocation.error.empty());
    }
    EXPECT_TRUE(startUp.trace.empty());
  }
}

TEST(CommandLine, UsageNamesEveryExitCodeAndStaysSilentWithoutAConsole) {
  const std::string usage = app::UsageText();
  for (const char* code : {"\r\n  0  ", "\r\n  1  ", "\r\n  2  ", "\r\n  1618  "}) {
    EXPECT_NE(usage.find(code), std::string::npos) << code;
    EXPECT_NE(usage.find(code, usage.find("Exit codes of /audit:")), std::string::npos) << code;
  }
  fakes::FakeStartUp startUp;
  startUp.hasOutput = false;  // started from the desktop or a service: no console to attach to
  EXPECT_EQ(app::AnswerCommandLine(app::ParseCommandLine({"/nonsense"}), startUp), 2);
  EXPECT_EQ(startUp.output, "");
}
