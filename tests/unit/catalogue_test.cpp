// The fixed tables: the particulars a typo would break, not a copy of the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "catalogue/cleanup_actions.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"
#include "platform/system_constants.h"

using catalogue::kRegistryTweaks;
using catalogue::kServiceLines;

TEST(ServiceCatalogue, StopLinesThenDisableLines) {
  for (std::size_t i = 0; i < kServiceLines.size(); ++i) {
    const std::string_view prefix = i < 37 ? "cmd /c net stop " : "cmd /c sc config ";
    EXPECT_EQ(kServiceLines[i].substr(0, prefix.size()), prefix) << "entry " << i + 1;
    if (i >= 37) {
      EXPECT_TRUE(kServiceLines[i].ends_with(" start= disabled")) << "entry " << i + 1;
    }
    // Every quoted name is closed again.
    EXPECT_EQ(std::count(kServiceLines[i].begin(), kServiceLines[i].end(), '"') % 2, 0);
  }
  EXPECT_EQ(kServiceLines.front(), "cmd /c net stop RemoteRegistry");
  EXPECT_EQ(kServiceLines.back(), "cmd /c sc config WmiApSrv start= disabled");
  EXPECT_EQ(kServiceLines[23], R"(cmd /c net stop "Upload Manager")");
  EXPECT_EQ(kServiceLines[32], kServiceLines[23]);
  // Only 24 and 33 repeat each other.
  EXPECT_EQ(std::set<std::string_view>(kServiceLines.begin(), kServiceLines.end()).size(), 66u);
}

TEST(RegistryTweakCatalogue, RootsTypesAndNoValueWrittenTwice) {
  int currentUser = 0, localMachine = 0, users = 0;
  std::set<std::string> writes;
  for (std::size_t i = 0; i < kRegistryTweaks.size(); ++i) {
    const catalogue::RegistryTweak& row = kRegistryTweaks[i];
    currentUser += row.root == platform::kHkeyCurrentUser;
    localMachine += row.root == platform::kHkeyLocalMachine;
    users += row.root == platform::kHkeyUsers;
    const bool text = i == 36 || i == 42;  // rows 37 and 43
    EXPECT_EQ(row.type, text ? platform::kRegSz : platform::kRegDword) << "row " << i + 1;
    EXPECT_FALSE(row.valueName.empty()) << "row " << i + 1;
    EXPECT_FALSE(row.keyPath.starts_with("\\") || row.keyPath.ends_with("\\"));
    std::string id = std::to_string(row.root) + "|" + std::string(row.keyPath) + "|" +
                     std::string(row.valueName);
    std::transform(id.begin(), id.end(), id.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_TRUE(writes.insert(id).second) << "row " << i + 1 << " repeats an earlier write";
  }
  EXPECT_EQ(currentUser, 28);
  EXPECT_EQ(localMachine, 18);
  EXPECT_EQ(users, 3);
  EXPECT_EQ(kRegistryTweaks[36].text, "y");
  EXPECT_EQ(kRegistryTweaks[42].text, ".NONE");
  // The three spellings of the FileSystem key are passed as they stand.
  EXPECT_EQ(kRegistryTweaks[29].keyPath, R"(SYSTEM\CurrentControlSet\Control\FileSystem)");
  EXPECT_EQ(kRegistryTweaks[30].keyPath, R"(System\CurrentControlSet\Control\FileSystem)");
  EXPECT_EQ(kRegistryTweaks[31].keyPath, R"(SYSTEM\CurrentControlSet\Control\Filesystem)");
}

TEST(CleanupCatalogue, LinesKeepTheirBlanksAndQuotes) {
  EXPECT_EQ(catalogue::kDiskLines[3], "cmd /c  DISKPERF -N");
  EXPECT_EQ(catalogue::kDiskLines[4], "cmd /c  CHKNTFS/T:4");
  EXPECT_EQ(catalogue::kDiskLines[2], "cmd /c Rundll32.exe advapi32.dll, ProcessIdleTasks");
  EXPECT_EQ(catalogue::TempLine(), R"(cmd /c del "%systemroot%/temp"\*.* /q)");
}
