// /optimize on fakes: the same platform calls as the button, the processes waited for within
// one limit, the exit code and the log for each way a run can go.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/unattended.h"
#include "brisko_version.h"
#include "catalogue/service_catalogue.h"
#include "platform/system_constants.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_start_up.h"
#include "tests/unit/program_fixture.h"

namespace {

// A text as the log writes it: quoted, backslashes doubled.
std::string Json(const std::string& text) {
  std::string json = "\"";
  for (char c : text) json += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return json + "\"";
}

app::Invocation Optimize(const std::string& logPath) {
  return {.action = app::Action::kOptimize, .logPath = logPath};
}

constexpr std::uint32_t kLimit = 30 * 60 * 1000;
const std::string kLog = R"(C:\brisko.log)";
const std::string kTime = R"({"time":"2026-12-10T08:30:05.042Z",)";

class UnattendedTest : public ::testing::Test {
 protected:
  int Run(const std::string& logPath = kLog) {
    return app::RunOptimize(Optimize(logPath), system, startUp, kLimit);
  }

  std::vector<std::string> Records(const std::string& event) const {
    std::vector<std::string> found;
    for (const std::string& line : startUp.log) {
      if (line.find(R"("event":")" + event + R"(")") != std::string::npos) found.push_back(line);
    }
    return found;
  }
  int Count(const std::string& event, const std::string& fragment) const {
    const auto records = Records(event);
    return static_cast<int>(std::count_if(records.begin(), records.end(), [&](const auto& r) {
      return r.find(fragment) != std::string::npos;
    }));
  }
  // The platform calls that change the machine, in order.
  static std::vector<std::string> Changes(const std::vector<std::string>& trace) {
    std::vector<std::string> changes;
    for (const std::string& call : trace) {
      const auto is = [&](const char* kind) { return call.rfind(kind, 0) == 0; };
      if (!is("Milliseconds") && !is("WaitForProcess ") && !is("CloseProcess ") &&
          !is("GetVersionEx ") && !is("SystemDirectory") && !is("FullPath ") &&
          !is("OpenFolder ") && !is("FolderFactsOf ") && !is("CloseFolder ")) {
        changes.push_back(call);
      }
    }
    return changes;
  }

  fakes::FakeOs os;
  platform::Os system = os.Os();
  fakes::FakeStartUp startUp;
};

}  // namespace

using ButtonRun = ProgramTest;

TEST_F(ButtonRun, UnattendedRunMakesTheSameCallsWithoutAWindowAndWaitsForEveryLine) {
  OpenMainWindow();
  toolkit.Click(app::main_window::kOptimizeButton);
  EXPECT_EQ(os.keptProcesses, 0);
  EXPECT_EQ(os.Count("WaitForProcess"), 0);  // the button waits for nothing
  std::vector<std::string> button;
  for (std::string call : os.trace) {
    if (call.rfind("Enabled ", 0) == 0) continue;
    // No window: the clipboard is opened for the task, and the recycle bin shows no progress.
    if (call == "OpenClipboard 65537") call = "OpenClipboard 0";
    if (call == "EmptyRecycleBin 65537 1") call = "EmptyRecycleBin 0 3";
    button.push_back(call);
  }

  fakes::FakeOs unattendedOs;
  platform::Os unattended = unattendedOs.Os();
  fakes::FakeStartUp startUp;
  EXPECT_EQ(app::RunOptimize(Optimize(""), unattended, startUp, kLimit), 0);
  std::vector<std::string> changes;
  for (const std::string& call : unattendedOs.trace) {
    if (call.rfind("Milliseconds", 0) == 0 || call.rfind("WaitForProcess ", 0) == 0 ||
        call.rfind("CloseProcess ", 0) == 0 || call.rfind("GetVersionEx ", 0) == 0) {
      continue;
    }
    changes.push_back(call);
  }
  EXPECT_EQ(changes, button);
  EXPECT_EQ(unattendedOs.Count("WaitForProcess"), 74);
  EXPECT_EQ(unattendedOs.keptProcesses, 0);  // every handle closed again
  // The waiting comes after the last step, never in between.
  const auto& trace = unattendedOs.trace;
  EXPECT_LT(std::find(trace.begin(), trace.end(), "Release"),
            std::find_if(trace.begin(), trace.end(),
                         [](const std::string& call) { return call.rfind("WaitFor", 0) == 0; }));
}

TEST_F(UnattendedTest, FullRunLogsEveryLineValueAndResult) {
  os.outcomes["cmd /c net stop Alerter"] = {.exitCode = 2};  // no such service: not our failure
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(startUp.logPath, kLog);
  ASSERT_FALSE(startUp.log.empty());
  EXPECT_EQ(startUp.log.front(),
            kTime +
                R"("event":"start","program":"Brisko","version":")" BRISKO_VERSION
                R"(","windows":"5.1.2600",)"
                R"("computer":"LAB-07","user":"SYSTEM"})" +
                "\r\n");
  EXPECT_EQ(Records("line").size(), 74u);
  EXPECT_EQ(Count("line", R"("result":"started","process":)"), 74);
  EXPECT_EQ(Records("value").size(), 49u);
  EXPECT_EQ(Count("value", R"("result":"written")"), 49);
  EXPECT_EQ(Records("exit").size(), 74u);
  EXPECT_EQ(Count("exit", R"("result":"ended","exitCode":0})"), 73);
  // Quotes and backslashes of a line survive as JSON.
  EXPECT_EQ(Records("line")[9], kTime +
                                    R"("event":"line","step":"StopAndDisableServices",)"
                                    R"("number":10,"line":"cmd /c net stop \"Fast User )"
                                    R"(Switching Compatibility\"","result":"started",)"
                                    R"("process":1010})" +
                                    "\r\n");
  EXPECT_EQ(Records("exit")[7], kTime +
                                    R"("event":"exit","step":"StopAndDisableServices",)"
                                    R"("number":8,"line":"cmd /c net stop Alerter",)"
                                    R"("process":1008,"result":"ended","exitCode":2})" +
                                    "\r\n");
  EXPECT_EQ(Records("value")[36], kTime +
                                      R"("event":"value","step":"ApplyRegistryTweaks",)"
                                      R"("number":37,"key":"HKEY_LOCAL_MACHINE\\SOFTWARE\\)"
                                      R"(Microsoft\\Dfrg\\BootOptimizeFunction","name":"Enable",)"
                                      R"("type":"REG_SZ","data":"y","result":"written"})" +
                                      "\r\n");
  EXPECT_NE(Records("line").back().find(R"("line":"cmd /c del \"%systemroot%/temp\"\\*.* /q")"),
            std::string::npos);
  EXPECT_EQ(Count("wallpaper", R"("result":"removed")"), 1);
  EXPECT_EQ(Count("clipboard", R"("result":"emptied")"), 1);
  EXPECT_EQ(Count("recycle bin", R"("result":"emptied")"), 1);
  EXPECT_EQ(Count("url history", R"("result":"cleared")"), 1);
  EXPECT_EQ(startUp.log.back(),
            kTime +
                R"("event":"end","exitCode":0,"linesStarted":74,"linesNotStarted":0,)"
                R"("linesStillRunning":0,"valuesWritten":49,"valuesRefused":0,)"
                R"("stepsEndedEarly":0})" +
                "\r\n");
  const std::string saved = R"(C:\ProgramData\Brisko\brisko-before-optimize-2026-12-11-143005-utc.reg)";
  EXPECT_EQ(Count("backup", R"("result":"saved","file":)" + Json(saved)), 1);
  EXPECT_EQ(startUp.output,
            "Brisko /optimize: exit code 0; 74 of 74 command lines started, 0 still running after "
            "30 minutes; 49 of 49 registry values written; 0 steps ended early. The settings it "
            "replaced are saved in " +
                saved + ".\r\n");
}

// Each way a run can go: the exit code, and the record that says why.
TEST_F(UnattendedTest, OutcomesAndTheirExitCodes) {
  struct Outcome {
    const char* name;
    std::function<void(fakes::FakeOs&)> arrange;
    int exitCode;
    std::vector<std::pair<std::string, std::string>> records;  // event, fragment
  };
  const std::string defrag = "cmd /c defrag c: -b";
  const std::vector<Outcome> outcomes = {
      {"a line that cannot start ends its step only",
       [](fakes::FakeOs& os) { os.FailOn("CreateProcess", 6 + 10); },
       1,
       {{"line", R"("number":16,"line":"cmd /c net stop Server","result":"not started",)"
                 R"("reason":"CreateProcess refused")"},
        {"step ended", R"("step":"StopAndDisableServices","reason":"CreateProcess refused")"},
        {"value", R"("number":49,)"},
        {"end", R"("linesStarted":16,"linesNotStarted":1,)"}}},
      {"values the registry refuses",
       [](fakes::FakeOs& os) { os.refusedRoots = {platform::kHkeyLocalMachine}; },
       1,
       {{"value", R"("key":"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\)"
                  R"(Session Manager\\Memory Management","name":"LargeSystemCache",)"
                  R"("type":"REG_DWORD","data":1,"result":"refused","error":5})"},
        {"end", R"("valuesWritten":31,"valuesRefused":18,"stepsEndedEarly":0})"}}},
      {"a registry write that fails inside the program ends the registry step",
       [](fakes::FakeOs& os) { os.FailOn("SetValue", 5); },
       1,
       {{"value", R"("number":5,"key":)"},
        {"value", R"("result":"not written","reason":"SetValue refused"})"},
        {"step ended", R"("step":"ApplyRegistryTweaks")"},
        {"recycle bin", R"("result":"emptied")"}}},
      {"a line still running at the limit is left running and reported",
       [&](fakes::FakeOs& os) { os.outcomes[defrag] = {.ends = false}; },
       0,
       {{"exit", R"("number":1,"line":"cmd /c defrag c: -b","process":1001,)"
                 R"("result":"still running"})"},
        {"exit", R"("number":74,)"},
        {"end", R"("linesStillRunning":1,)"}}},
      {"the wallpaper cannot be removed",
       [](fakes::FakeOs& os) { os.FailOn("SetDeskWallpaper", 1); },
       1,
       {{"wallpaper", R"("step":"CleanDiskAndDesktop","result":"refused"})"},
        {"line", R"("number":2,"line":"cmd /c del c:\\windows\\prefetch\\*.* /q")"}}},
      {"the clipboard held by another program is normal",
       [](fakes::FakeOs& os) { os.clipboardHeld = true; },
       0,
       {{"clipboard", R"("step":"CleanDiskAndDesktop","result":"held by another program"})"}}},
      {"the URL history object cannot be made",
       [](fakes::FakeOs& os) { os.createResult = static_cast<long>(0x80040154); },
       1,
       {{"url history", R"("result":"not cleared")"}}},
      {"a wait that fails",
       [](fakes::FakeOs& os) { os.FailOn("WaitForProcess", 3); },
       1,
       {{"exit", R"("number":3,)"}, {"exit", R"("result":"unknown","reason":"WaitForProcess)"}}},
  };
  for (const Outcome& outcome : outcomes) {
    SCOPED_TRACE(outcome.name);
    fakes::FakeOs os;
    platform::Os system = os.Os();
    startUp = fakes::FakeStartUp();
    outcome.arrange(os);
    EXPECT_EQ(app::RunOptimize(Optimize(kLog), system, startUp, kLimit), outcome.exitCode);
    for (const auto& [event, fragment] : outcome.records) {
      EXPECT_GE(Count(event, fragment), 1) << event << ": " << fragment;
    }
    EXPECT_EQ(Records("end").size(), 1u);
    EXPECT_EQ(os.keptProcesses, 0);
    EXPECT_NE(startUp.output.find("exit code " + std::to_string(outcome.exitCode)),
              std::string::npos);
  }
}

TEST_F(UnattendedTest, LogStaysUtf8Json) {
  startUp.computerName = "R\xC3\x84UM-7";  // UTF-8 from the system, as it is
  // A system message in the ANSI code page: in code page 1252 the u umlaut is one byte, 0xFC.
  os.FailOn("CreateProcess", 1,
            "Zugriff verweigert: \xFC"
            "ber\tx\"y\\z");
  EXPECT_EQ(Run(), 1);
  EXPECT_NE(startUp.log.front().find("\"computer\":\"R\xC3\x84UM-7\""), std::string::npos);
  EXPECT_EQ(Count("line", R"("reason":"Zugriff verweigert: \u00fcber\u0009x\"y\\z"})"), 1);
}

TEST_F(UnattendedTest, OneTimeLimitForAllTheWaits) {
  os.outcomes["cmd /c defrag c: -b"] = {.runsMs = 20 * 60 * 1000};        // ends after 20 minutes
  os.outcomes["cmd /c  DISKPERF -N"] = {.ends = false};                   // never ends
  os.outcomes["cmd /c net stop RemoteRegistry"] = {.runsMs = 5 * 60000};  // ended meanwhile
  EXPECT_EQ(Run(), 0);
  std::vector<std::string> waits;
  for (const std::string& call : os.trace) {
    if (call.rfind("WaitForProcess ", 0) == 0) waits.push_back(call.substr(call.rfind(' ') + 1));
  }
  ASSERT_EQ(waits.size(), 74u);
  EXPECT_EQ(waits[0], std::to_string(kLimit));          // defrag: the whole limit
  EXPECT_EQ(waits[3], std::to_string(10 * 60 * 1000));  // DISKPERF: what is left
  EXPECT_EQ(waits[6], "0");                             // the limit is used up
  EXPECT_EQ(Count("exit", R"("number":7,"line":"cmd /c net stop RemoteRegistry",)"
                          R"("process":1007,"result":"ended","exitCode":0})"),
            1);
  EXPECT_EQ(Count("exit", R"("result":"still running")"), 1);
  EXPECT_EQ(os.keptProcesses, 0);
}

// The log is refused, before anything changes and without emptying anything, when it cannot
// be written or is not a plain file of its own: a run as SYSTEM must not empty another file
// through a link that someone who may write a folder on its way put there, before or while it
// is opened. A folder that cannot be looked at counts as one that leads elsewhere.
TEST_F(UnattendedTest, LogThatCannotBeWrittenOrIsNotItsOwnFileEndsTheRunBeforeAnythingChanges) {
  const std::string log = R"(Z:\logs\brisko.log)";
  struct Case {
    const char* what;
    std::function<void(fakes::FakeStartUp&, fakes::FakeOs&)> arrange;
    const char* reason;
    bool opened;  // the file was opened, so it must be closed again untouched
    std::string path = R"(Z:\logs\brisko.log)";
  };
  const Case cases[] = {
      {"the file cannot be made", [](fakes::FakeStartUp& s, fakes::FakeOs&) { s.logOpens = false; },
       "it cannot be opened (error 3)", false},
      {"a junction or link", [](fakes::FakeStartUp& s, fakes::FakeOs&) {
         s.logFacts.reparsePoint = true;
       }, "it is a junction or a link", true},
      {"a hard link to another file", [](fakes::FakeStartUp& s, fakes::FakeOs&) {
         s.logFacts.links = 2;
       }, "it has other names (hard links)", true},
      {"a device or pipe", [](fakes::FakeStartUp& s, fakes::FakeOs&) {
         s.logFacts.diskFile = false;
       }, "it is not a file on a disk", true},
      {"the open led elsewhere", [](fakes::FakeStartUp& s, fakes::FakeOs&) {
         s.logFinalPath = R"(\\?\C:\Windows\System32\config\brisko.log)";
       }, R"(it leads to \\?\C:\Windows\System32\config\brisko.log)", true},
      {"where the open led cannot be asked", [](fakes::FakeStartUp& s, fakes::FakeOs&) {
         s.logFacts.finalPathQuery = platform::RuntimeCall::kFailed;
       }, "where it leads cannot be checked", true},
      {"its folder leads elsewhere", [](fakes::FakeStartUp&, fakes::FakeOs& o) {
         o.folders[R"(Z:\logs)"].reparsePoint = true;
       }, R"(its folder Z:\logs leads to another place)", false},
      {"a folder further up leads elsewhere", [](fakes::FakeStartUp&, fakes::FakeOs& o) {
         o.folders[R"(Z:\logs)"].reparsePoint = true;
         o.folders[R"(Z:\logs\sub)"] = fakes::FakeOs::AdministratorsFolder();
       }, R"(its folder Z:\logs leads to another place)", false, R"(Z:\logs\sub\b.log)"},
      {"a folder that may not be looked at", [](fakes::FakeStartUp&, fakes::FakeOs& o) {
         o.openFolderErrors[R"(Z:\logs)"] = 5;
       }, R"(its folder Z:\logs cannot be checked (error 5))", false},
      {"a folder whose facts cannot be read", [](fakes::FakeStartUp&, fakes::FakeOs& o) {
         o.FailOn("FolderFactsOf", 2);
       }, R"(its folder Z:\logs cannot be checked: FolderFactsOf refused)", false},
      {"a folder that is not there", [](fakes::FakeStartUp&, fakes::FakeOs&) {},
       R"(its folder Z:\nowhere does not exist)", false, R"(Z:\nowhere\b.log)"},
      {"a device path", [](fakes::FakeStartUp&, fakes::FakeOs&) {},
       "it is not a file in a folder on a drive or a share", false, R"(\\.\pipe\b)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    startUp = fakes::FakeStartUp();
    fakes::FakeOs fresh;
    fresh.folders[R"(Z:\logs)"] = fakes::FakeOs::AdministratorsFolder();
    platform::Os system = fresh.Os();
    c.arrange(startUp, fresh);
    EXPECT_EQ(app::RunOptimize(Optimize(c.path), system, startUp, kLimit), 2);
    EXPECT_EQ(Changes(fresh.trace), std::vector<std::string>{});
    EXPECT_FALSE(startUp.logEmptied);
    EXPECT_EQ(startUp.logClosed, c.opened);
    EXPECT_EQ(fresh.HeldFolders(), 0u);
    EXPECT_TRUE(startUp.log.empty());
    EXPECT_EQ(
        startUp.output.rfind("Brisko: cannot write the log file " + c.path + ": " + c.reason, 0),
        0u)
        << startUp.output;
    EXPECT_TRUE(startUp.output.ends_with("; nothing was changed.\r\n")) << startUp.output;
  }
  // The first record cannot be written: the same, after the file was opened.
  startUp = fakes::FakeStartUp();
  startUp.logWritesAccepted = 0;
  os.trace.clear();
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(os.Count("CreateProcess"), 0);
}

// Every folder from the drive's or the share's root down is looked at before the log is opened,
// and the open is held to the path asked for; where Windows cannot say where an open led (XP),
// the folders are looked at once more after it.
TEST_F(UnattendedTest, ALogIsCheckedAlongItsWholePath) {
  struct Case {
    const char* what;
    std::string path;
    std::function<void(fakes::FakeStartUp&, fakes::FakeOs&)> arrange;
    std::vector<std::string> looked;  // the folders looked at, in order
  };
  const Case cases[] = {
      {"in the root of a drive", R"(C:\b.log)", [](fakes::FakeStartUp&, fakes::FakeOs&) {},
       {R"(C:\)"}},
      {"named as the current folder's", "b.log",
       [](fakes::FakeStartUp&, fakes::FakeOs& o) { o.fullPaths["b.log"] = R"(Z:\logs\b.log)"; },
       {R"(Z:\)", R"(Z:\logs)"}},
      {"on a share", R"(\\server\share\logs\b.log)",
       [](fakes::FakeStartUp& s, fakes::FakeOs& o) {
         o.folders[R"(\\server\share\)"] = o.folders[R"(\\server\share\logs)"] =
             fakes::FakeOs::AdministratorsFolder();
         s.logFinalPath = R"(\\?\UNC\server\share\logs\b.log)";
       },
       {R"(\\server\share\)", R"(\\server\share\logs)"}},
      {"written in another case than the disk's", R"(z:\LOGS\b.log)",
       [](fakes::FakeStartUp& s, fakes::FakeOs& o) {
         o.folders[R"(z:\)"] = o.folders[R"(z:\LOGS)"] = fakes::FakeOs::AdministratorsFolder();
         s.logFinalPath = R"(\\?\Z:\logs\B.log)";
       },
       {R"(z:\)", R"(z:\LOGS)"}},
      {"where Windows cannot say where the open led", R"(Z:\logs\b.log)",
       [](fakes::FakeStartUp& s, fakes::FakeOs&) {
         s.logFacts.finalPathQuery = platform::RuntimeCall::kMissing;
       },
       {R"(Z:\)", R"(Z:\logs)", R"(Z:\)", R"(Z:\logs)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    startUp = fakes::FakeStartUp();
    fakes::FakeOs fresh;
    fresh.folders[R"(Z:\logs)"] = fakes::FakeOs::AdministratorsFolder();
    platform::Os system = fresh.Os();
    c.arrange(startUp, fresh);
    EXPECT_EQ(app::RunOptimize(Optimize(c.path), system, startUp, kLimit), 0) << startUp.output;
    EXPECT_TRUE(startUp.logEmptied);
    std::vector<std::string> looked;
    for (const std::string& call : fresh.trace) {
      if (call.rfind("OpenFolder ", 0) == 0 && call.find("ProgramData") == std::string::npos) {
        looked.push_back(call.substr(11));
      }
    }
    EXPECT_EQ(looked, c.looked);
    EXPECT_EQ(fresh.HeldFolders(), 0u);
  }
}

TEST_F(UnattendedTest, AnotherRunUnderWayExits1618AndLeavesItsLogAlone) {
  startUp.lockHeldFor = -1;
  EXPECT_EQ(Run(), 1618);
  EXPECT_TRUE(os.trace.empty());
  // No dialog may wait for anyone, then the lock; the log is not opened.
  EXPECT_EQ(startUp.trace, (std::vector<std::string>{"QuietErrors", "TakeMachineLock"}));
  EXPECT_NE(startUp.output.find("another Brisko is running"), std::string::npos);
}

TEST_F(UnattendedTest, ALockThatIsNotAnotherBriskosEndsInOneWithTheReasonLogged) {
  startUp.lockError = 5;  // someone made an object of the lock's name that Brisko may not open
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(os.Count("CreateProcess"), 0);
  EXPECT_EQ(Count("lock", R"("result":"not taken","reason":"the machine-wide lock)"), 1);
  EXPECT_EQ(Count("end", R"("exitCode":1)"), 1);
  EXPECT_NE(startUp.output.find("may not be opened"), std::string::npos);
}

TEST_F(UnattendedTest, WithoutLogNothingIsWrittenAndALogThatFailsPartWayEndsInOne) {
  EXPECT_EQ(Run(""), 0);
  EXPECT_EQ(startUp.trace, (std::vector<std::string>{"QuietErrors", "TakeMachineLock"}));
  EXPECT_TRUE(startUp.log.empty());

  // A full disk or a dropped share: the run goes on, but its log has no end, and a run nobody
  // can account for must not report success.
  fakes::FakeOs fullDiskOs;
  platform::Os fullDisk = fullDiskOs.Os();
  fakes::FakeStartUp diskFills;
  diskFills.logWritesAccepted = 10;
  EXPECT_EQ(app::RunOptimize(Optimize(kLog), fullDisk, diskFills, kLimit), 1);
  EXPECT_EQ(fullDiskOs.Count("CreateProcess"), 74);
  EXPECT_EQ(diskFills.log.size(), 10u);
  EXPECT_NE(diskFills.output.find("exit code 1;"), std::string::npos);
  EXPECT_NE(diskFills.output.find("The log could not be written completely."), std::string::npos);
}
