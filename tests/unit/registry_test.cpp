// The registry writer and the tweak catalogue against the fake registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/registry_tweaks.h"
#include "platform/registry_writer.h"
#include "platform/system_constants.h"
#include "tests/fakes/fake_os.h"

using fakes::FakeOs;

TEST(RegistryWriter, DwordIsFourLittleEndianBytesBetweenOpenAndClose) {
  FakeOs os;
  platform::WriteRegistryDword(os, platform::kHkeyCurrentUser, R"(Control Panel\Desktop)",
                               "WaitToKillAppTimeout", 3500);
  EXPECT_EQ(os.trace, (std::vector<std::string>{
                          "IsWow64Process", "CreateKey 2147483649 Control Panel\\Desktop",
                          "SetValue WaitToKillAppTimeout type 4 length 4", "CloseKey"}));
  const auto* value =
      os.Find(platform::kHkeyCurrentUser, R"(CONTROL PANEL\desktop)", "waittokillapptimeout");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, (std::vector<std::uint8_t>{0xAC, 0x0D, 0, 0}));

  platform::WriteRegistryDword(os, platform::kHkeyCurrentUser, "K", "Negative", -2);
  EXPECT_EQ(os.Find(platform::kHkeyCurrentUser, "K", "Negative")->data,
            (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(RegistryWriter, TextIsStoredWithItsTerminatingZero) {
  for (const std::string text : {"y", ".NONE", ""}) {
    FakeOs os;
    platform::WriteRegistryString(os, platform::kHkeyUsers, "K", "V", text);
    const auto* value = os.Find(platform::kHkeyUsers, "K", "V");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, platform::kRegSz);
    std::vector<std::uint8_t> expected(text.begin(), text.end());
    expected.push_back(0);
    EXPECT_EQ(value->data, expected) << '"' << text << '"';
  }
}

TEST(RegistryWriter, RefusedKeyWritesNothingButStillMakesAllThreeCalls) {
  FakeOs os;
  os.refusedRoots = {platform::kHkeyLocalMachine};
  platform::WriteRegistryDword(os, platform::kHkeyLocalMachine, "SYSTEM\\X", "V", 1);
  EXPECT_EQ(os.Count("CreateKey") + os.Count("SetValue") + os.Count("CloseKey"), 3);
  EXPECT_TRUE(os.values.empty());
}

// On 64-bit Windows the key is opened in the 64-bit view, with the rights RegCreateKeyA
// would ask for; anywhere else (no question, a failed question, 32-bit) as always.
TEST(RegistryWriter, KeyViewFollowsTheWow64Answer) {
  using platform::RuntimeCall;
  const struct {
    RuntimeCall call;
    bool wow64;
    std::string expectedOpen;
  } cases[] = {
      {RuntimeCall::kMissing, true, "CreateKey 2147483650 SOFTWARE\\K"},
      {RuntimeCall::kFailed, true, "CreateKey 2147483650 SOFTWARE\\K"},
      {RuntimeCall::kSucceeded, false, "CreateKey 2147483650 SOFTWARE\\K"},
      {RuntimeCall::kSucceeded, true, "CreateKeyEx 2147483650 SOFTWARE\\K access 0x02000100"},
  };
  for (const auto& c : cases) {
    FakeOs os;
    os.wow64Call = c.call;
    os.wow64 = c.wow64;
    platform::WriteRegistryString(os, platform::kHkeyLocalMachine, "SOFTWARE\\K", "V", "y");
    ASSERT_EQ(os.trace.size(), 4u);
    EXPECT_EQ(os.trace[1], c.expectedOpen) << os.trace[0];
    const bool view64 = c.expectedOpen.rfind("CreateKeyEx", 0) == 0;
    EXPECT_NE(os.Find(platform::kHkeyLocalMachine, "SOFTWARE\\K", "V", view64), nullptr);
    EXPECT_EQ(os.Find(platform::kHkeyLocalMachine, "SOFTWARE\\K", "V", !view64), nullptr);
  }
}

TEST(ApplyRegistryTweaks, UnderWow64EveryValueLandsInThe64BitView) {
  FakeOs os;
  os.wow64 = true;
  catalogue::ApplyRegistryTweaks(os);
  EXPECT_EQ(os.Count("CreateKey"), 0);
  EXPECT_EQ(os.Count("CreateKeyEx"), 49);
  EXPECT_EQ(os.values.size(), 49u);
  for (const auto& row : catalogue::kRegistryTweaks) {
    EXPECT_NE(os.Find(row.root, std::string(row.keyPath), std::string(row.valueName), true),
              nullptr)
        << row.keyPath << " " << row.valueName;
  }
}

TEST(ApplyRegistryTweaks, WritesEveryRowInOrderWithItsTypeAndLength) {
  FakeOs os;
  catalogue::ApplyRegistryTweaks(os);
  std::vector<std::string> expected;
  for (const auto& row : catalogue::kRegistryTweaks) {
    const std::size_t length = row.type == platform::kRegSz ? row.text.size() + 1 : 4;
    expected.push_back("IsWow64Process");
    expected.push_back("CreateKey " + std::to_string(row.root) + " " + std::string(row.keyPath));
    expected.push_back("SetValue " + std::string(row.valueName) + " type " +
                       std::to_string(row.type) + " length " + std::to_string(length));
    expected.push_back("CloseKey");
  }
  EXPECT_EQ(os.trace, expected);
  // The three FileSystem spellings meet in one key; every row lands.
  EXPECT_EQ(os.values.size(), 49u);
  EXPECT_EQ(os.Find(platform::kHkeyLocalMachine,
                    R"(SYSTEM\CurrentControlSet\Services\LanmanWorkstation\Parameters)", "MaxCmds")
                ->data,
            (std::vector<std::uint8_t>{104, 0, 0, 0}));
}

TEST(ApplyRegistryTweaks, RowsTheUserMayNotWriteAreSkippedQuietly) {
  FakeOs os;
  os.refusedRoots = {platform::kHkeyLocalMachine, platform::kHkeyUsers};
  catalogue::ApplyRegistryTweaks(os);
  EXPECT_EQ(os.Count("SetValue"), 49);  // every row is still tried
  EXPECT_EQ(os.values.size(), 28u);
  for (const auto& [key, value] : os.values) {
    EXPECT_EQ(key.rfind(std::to_string(platform::kHkeyCurrentUser), 0), 0u) << key;
  }
}

TEST(ApplyRegistryTweaks, OwnFailureAbandonsTheRemainingRowsButClosesTheKey) {
  FakeOs os;
  os.FailOn("SetValue", 10);
  catalogue::ApplyRegistryTweaks(os);  // returns normally
  EXPECT_EQ(os.Count("CreateKey"), 10);
  EXPECT_EQ(os.Count("CloseKey"), 10);
  EXPECT_EQ(os.values.size(), 9u);
}
