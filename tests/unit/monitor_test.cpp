// The monitor panel: number rules, the disk space query, one tick of the live statistics
// and the version line.
#include <string>
#include <vector>

#include "monitor/disk_space.h"
#include "monitor/numbers.h"
#include "tests/unit/program_fixture.h"

using namespace app::main_window;
using monitor::Currency;

namespace {
const platform::LocaleSeparators kEnglish{".", ","};
const platform::LocaleSeparators kFrench{",", " "};
}  // namespace

TEST(Numbers, GroupedWholeNumbers) {
  struct Case {
    double value;
    platform::LocaleSeparators locale;
    std::string text;
  };
  for (const Case& c : {Case{0, kEnglish, ""}, Case{0.4, kEnglish, ""}, Case{2.5, kEnglish, "3"},
                        Case{2047.9999990463257, kEnglish, "2,048"},
                        Case{1234567.5, kEnglish, "1,234,568"}, Case{-1234.5, kEnglish, "-1,235"},
                        Case{8192, kFrench, "8 192"}, Case{999, kEnglish, "999"}}) {
    EXPECT_EQ(monitor::FormatGrouped(c.value, c.locale), c.text) << c.value;
  }
}

TEST(Numbers, ReadBackOfGroupedText) {
  EXPECT_EQ(monitor::ReadBackInt32("523,760", kEnglish), 523760);
  EXPECT_EQ(monitor::ReadBackInt32("8 388 608", kFrench), 8388608);
  EXPECT_EQ(monitor::ReadBackInt32("-2,147,483,648", kEnglish), -2147483647 - 1);
  for (const char* bad : {"", "2,147,483,648", "12a", "-"}) {
    EXPECT_THROW(monitor::ReadBackInt32(bad, kEnglish), platform::Failure) << bad;
  }
}

TEST(Numbers, RoundingShortestDecimalAndCheckedSteps) {
  struct Case {
    double value;
    std::int32_t rounded;
  };
  for (const Case& c : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{-0.5, 0}, Case{-1.5, -2},
                        Case{2.4999, 2}, Case{2147483647.4, 2147483647}}) {
    EXPECT_EQ(monitor::ToInt32(c.value), c.rounded) << c.value;
  }
  EXPECT_THROW(monitor::ToInt32(2147483647.5), platform::Failure);
  EXPECT_THROW(monitor::ToInt32(0.0 / 0.0), platform::Failure);
  EXPECT_EQ(monitor::ToInt64(2147483648.0), 2147483648LL);

  EXPECT_EQ(monitor::ShortestDecimal(766.5, kEnglish), "766.5");
  EXPECT_EQ(monitor::ShortestDecimal(100, kEnglish), "100");
  EXPECT_EQ(monitor::ShortestDecimal(0.1 + 0.2, kEnglish), "0.3");
  EXPECT_EQ(monitor::ShortestDecimal(1.5, kFrench), "1,5");

  EXPECT_THROW(monitor::Divide(1, 0), platform::Failure);
  EXPECT_THROW(monitor::Divide(0, 0), platform::Failure);
  EXPECT_DOUBLE_EQ(monitor::Divide(1, 4), 0.25);
}

TEST(DiskSpace, ExtendedQuery) {
  fakes::FakeOs os;
  os.driveTotal = 80026361856;
  os.driveFree = 41940000;
  os.driveAvailable = 1000;  // a quota: the whole volume's free bytes still count
  EXPECT_EQ(monitor::GetDriveTotalSpace(os, "C:\\"), 800263618560000LL);
  EXPECT_EQ(monitor::GetDriveFreeSpace(os, "C:\\"), 419400000000LL);
  EXPECT_EQ(os.trace,
            (std::vector<std::string>{"GetDiskFreeSpaceEx C:\\", "GetDiskFreeSpaceEx C:\\"}));

  os.driveTotal = 922337203685478;  // times 10000 overflows the currency type
  EXPECT_EQ(monitor::GetDriveTotalSpace(os, "C:\\"), 0);
  os.driveReady = false;
  EXPECT_EQ(monitor::GetDriveFreeSpace(os, "Q:\\"), 0);
  EXPECT_EQ(os.trace.back(), "GetDiskFreeSpaceEx Q:\\ failed");
  EXPECT_EQ(os.Count("GetDiskFreeSpace"), 0) << "a failed extended query is not asked the old way";
}

TEST(DiskSpace, OlderQueryComputesIn64Bits) {
  struct Case {
    std::uint32_t sectorsPerCluster, bytesPerSector, clusters;
    std::int64_t bytes;
  };
  for (const Case& c : {Case{8, 512, 524287, 2147479552LL},
                        // Both used to read 0: the product overflowed 32 bits.
                        Case{64, 512, 65536, 2147483648LL}, Case{65536, 65536, 3, 12884901888LL}}) {
    fakes::FakeOs os;
    os.hasDiskFreeSpaceEx = false;
    os.sectorsPerCluster = c.sectorsPerCluster;
    os.bytesPerSector = c.bytesPerSector;
    os.totalClusters = c.clusters;
    os.freeClusters = c.clusters / 2;
    EXPECT_EQ(monitor::GetDriveTotalSpace(os, "C:\\"), c.bytes * 10000) << c.bytes;
    EXPECT_EQ(monitor::GetDriveFreeSpace(os, "C:\\"),
              std::int64_t{c.sectorsPerCluster} * c.bytesPerSector * (c.clusters / 2) * 10000);
    EXPECT_EQ(os.trace, (std::vector<std::string>{
                            "GetDiskFreeSpaceEx C:\\ missing", "GetDiskFreeSpace C:\\",
                            "GetDiskFreeSpaceEx C:\\ missing", "GetDiskFreeSpace C:\\"}));
  }
}

class MonitorTest : public ProgramTest {
 protected:
  void Tick() { toolkit.Tick(kMonitorTimer); }
  std::vector<std::string> Labels() const {
    std::vector<std::string> labels;
    for (platform::ControlId id :
         {kTotalMemoryLabel, kAvailableMemoryLabel, kMemoryLoadLabel, kProcessorLabel,
          kDriveTotalLabel, kDriveFreeLabel, kDriveUsedLabel}) {
      labels.push_back(Caption(id));
    }
    return labels;
  }
  float Max(platform::ControlId id) const { return toolkit.State(id).max; }
};

TEST_F(MonitorTest, OneTick) {
  struct Case {
    const char* name;
    std::uint64_t totalPhys, availPhys, driveTotal, driveFree;
    platform::LocaleSeparators locale;
    std::vector<std::string> labels;  // the seven figures, top to bottom
    float availableMemoryMax, driveFreeMax, driveFreeBar, driveUsedBar;
  };
  const std::vector<Case> cases = {
      {"half a gigabyte",
       536330240,
       268165120,
       78300000,
       31320000,
       kEnglish,
       {"511 MB", "256 MB", "43%", "x86 Family 6", "75 MB", "30 MB", "60 %"},
       523760,
       75,
       30,
       60},
      {"just under 2 GiB",
       2147483647,
       1073741824,
       1566000,
       1566000,
       kEnglish,
       {"2,048 MB", "1,024 MB", "43%", "x86 Family 6", "1.5 MB", "1.5 MB", "0 %"},
       2097152,
       1.5f,
       1.5f,
       0},
      {"8 GiB",
       8589934592,
       4294967296,
       104400000,
       0,
       kEnglish,
       {"8,192 MB", "4,096 MB", "43%", "x86 Family 6", "100 MB", "0 MB", "100 %"},
       8388608,
       100,
       0,
       100},
      {"halves to even",
       8589934592,
       1073741824,
       104400000,
       156600,
       kFrench,
       {"8 192 MB", "1 024 MB", "43%", "x86 Family 6", "100 MB", "0,2 MB", "100 %"},
       8388608,
       100,
       0.2f,
       100},
      {"halves to even, down",
       8589934592,
       1073741824,
       104400000,
       52200,
       kEnglish,
       {"8,192 MB", "1,024 MB", "43%", "x86 Family 6", "100 MB", "0 MB", "100 %"},
       8388608,
       100,
       0,
       100},
  };
  for (const Case& c : cases) {
    os.memory.totalPhys = c.totalPhys;
    os.memory.availPhys = c.availPhys;
    os.driveTotal = c.driveTotal;
    os.driveFree = c.driveFree;
    os.locale = c.locale;
    if (!toolkit.IsLoaded(app::kMainWindow)) OpenMainWindow();
    Tick();
    EXPECT_EQ(Labels(), c.labels) << c.name;
    EXPECT_EQ(Max(kAvailableMemoryBar), c.availableMemoryMax) << c.name;
    EXPECT_EQ(Bar(kMemoryLoadBar), 43.0f) << c.name;
    EXPECT_EQ(Max(kDriveFreeBar), c.driveFreeMax) << c.name;
    EXPECT_EQ(Bar(kDriveFreeBar), c.driveFreeBar) << c.name;
    EXPECT_EQ(Bar(kDriveUsedBar), c.driveUsedBar) << c.name;
  }
}

TEST_F(MonitorTest, NoAvailableMemoryEndsTheTickBeforeAnyWrite) {
  os.memory.availPhys = 0;  // "0" groups to no digits, which cannot be read back
  OpenMainWindow();
  Tick();
  EXPECT_EQ(Labels(), std::vector<std::string>(7, ""));
  EXPECT_TRUE(toolkit.writes.empty());
}

TEST_F(MonitorTest, FourFreshCallsOfEachDriveFunctionPerTick) {
  OpenMainWindow();
  Tick();
  EXPECT_EQ(os.Count("GetDiskFreeSpaceEx"), 8);
  EXPECT_EQ(os.Count("GetDiskFreeSpace"), 0);
  Tick();
  EXPECT_EQ(os.Count("GetDiskFreeSpaceEx"), 16);
  EXPECT_EQ(os.Count("GlobalMemoryStatusEx"), 2);
}

TEST_F(MonitorTest, MissingDriveEndsTheTickButMemoryKeepsRefreshing) {
  OpenMainWindow();
  Tick();
  const std::vector<std::string> good = Labels();
  os.driveReady = false;
  os.memory.memoryLoad = 77;
  os.environment.clear();
  Tick();
  EXPECT_EQ(Caption(kMemoryLoadLabel), "77%");
  EXPECT_EQ(Caption(kProcessorLabel), "");  // no PROCESSOR_IDENTIFIER: empty, and the tick goes on
  EXPECT_EQ(Caption(kDriveTotalLabel), good[4]);
  EXPECT_EQ(Caption(kDriveFreeLabel), good[5]);
  EXPECT_EQ(Caption(kDriveUsedLabel), good[6]);
  EXPECT_EQ(os.Count("GetDiskFreeSpaceEx"), 8 + 1);  // ended at the first drive figure
}

TEST_F(MonitorTest, OldMemoryQueryWhereTheExtendedOneIsMissing) {
  os.memoryStatusExCall = platform::RuntimeCall::kMissing;
  os.memory.totalPhys = 3221225472;  // 3 GiB: read unsigned, not negative
  OpenMainWindow();
  Tick();
  EXPECT_EQ(Caption(kTotalMemoryLabel), "3,072 MB");
  EXPECT_EQ(os.Count("GlobalMemoryStatusEx"), 1);  // asked, and found missing
  EXPECT_EQ(os.Count("GlobalMemoryStatus"), 1);
}

// A failed extended query is not examined: its figures stand, and the old query, which would
// cut 8 GiB down to 4, is not asked.
TEST_F(MonitorTest, FailedExtendedMemoryQueryIsTakenAsItIs) {
  os.memoryStatusExCall = platform::RuntimeCall::kFailed;
  os.memory.totalPhys = 8589934592;
  OpenMainWindow();
  Tick();
  EXPECT_EQ(Caption(kTotalMemoryLabel), "8,192 MB");
  EXPECT_EQ(os.Count("GlobalMemoryStatusEx"), 1);
  EXPECT_EQ(os.Count("GlobalMemoryStatus"), 0);
}

TEST_F(MonitorTest, RefusedWriteEndsTheTickAndEarlierWritesStay) {
  OpenMainWindow();
  toolkit.RefuseWrite("Caption", kMemoryLoadLabel);
  Tick();
  EXPECT_EQ(Caption(kTotalMemoryLabel), "511 MB");
  EXPECT_EQ(Caption(kMemoryLoadLabel), "");
  EXPECT_EQ(Caption(kProcessorLabel), "");
  Tick();
  EXPECT_EQ(Caption(kProcessorLabel), "x86 Family 6");
}

TEST(VersionLine, ComposedFromTheWhole32BitFields) {
  struct Case {
    std::uint32_t major, minor, build;
    const char* line;
  };
  for (const Case& c : {Case{5, 1, 2600, "Windows Version : 5.1 Built 2600"},
                        Case{6, 0, 6000, "Windows Version : 6.0 Built 6000"},
                        Case{6, 2, 0xF0000000u | 9200, "Windows Version : 6.2 Built -268426256"}}) {
    fakes::FakeOs os;
    os.version = {0, c.major, c.minor, c.build};
    fakes::FakeToolkit toolkit;
    platform::Os system = os.Os();
    app::Program program(toolkit, system);
    program.Start();
    toolkit.Click(app::disclaimer::kNextButton);
    EXPECT_EQ(toolkit.State(kVersionLabel).caption, c.line);
    EXPECT_EQ(os.trace.front(), "GetVersionEx 148");
  }
}
