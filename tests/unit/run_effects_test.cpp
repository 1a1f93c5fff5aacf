// The program's tables against the reviewed record of what one run does to a machine
// (tests/fixtures/run_effects.txt), row by row and in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/cleanup_actions.h"
#include "catalogue/maintenance_commands.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"
#include "platform/system_constants.h"

namespace {

constexpr const char* kRecordPath = BRISKO_SOURCE_DIR "/tests/fixtures/run_effects.txt";

// The record's entries of one kind ("LINE", "VALUE", "BUTTON"), in file order.
struct Record {
  std::vector<std::string> lines;
  std::vector<std::string> values;
  std::vector<std::string> buttons;
};

Record ReadRecord() {
  Record record;
  std::ifstream file(kRecordPath);
  EXPECT_TRUE(file.is_open()) << "cannot read " << kRecordPath;
  std::string text;
  for (int number = 1; std::getline(file, text); ++number) {
    if (text.ends_with('\r')) text.pop_back();
    const std::string_view entry = text;
    if (entry.empty() || entry.starts_with('#')) continue;
    if (entry.starts_with("LINE ")) {
      record.lines.emplace_back(entry.substr(5));
    } else if (entry.starts_with("VALUE ")) {
      record.values.emplace_back(entry.substr(6));
    } else if (entry.starts_with("BUTTON ")) {
      record.buttons.emplace_back(entry.substr(7));
    } else {
      ADD_FAILURE() << kRecordPath << ":" << number << " is no LINE, VALUE or BUTTON: " << text;
    }
  }
  return record;
}

// One entry as the program has it, with the table and row it comes from.
struct ProgramEntry {
  std::string row;
  std::string text;
};

std::string Numbered(std::string_view table, std::size_t index) {
  return std::string(table) + " " + std::to_string(index + 1);
}

// A registry row in the record's form: root as 8 hex digits|key|name|type|data.
std::string ValueText(const catalogue::RegistryTweak& row) {
  char root[9];
  std::snprintf(root, sizeof root, "%08x", static_cast<unsigned>(row.root));
  const std::string data =
      row.type == platform::kRegSz ? std::string(row.text) : std::to_string(row.number);
  return std::string(root) + "|" + std::string(row.keyPath) + "|" + std::string(row.valueName) +
         "|" + std::to_string(row.type) + "|" + data;
}

// Compares in order, so a changed row and two swapped rows both fail, each naming its row.
void ExpectSameInOrder(std::string_view kind, const std::vector<std::string>& recorded,
                       const std::vector<ProgramEntry>& program) {
  EXPECT_EQ(program.size(), recorded.size()) << "number of " << kind << " entries";
  for (std::size_t i = 0; i < std::max(program.size(), recorded.size()); ++i) {
    const std::string row = i < program.size() ? program[i].row : "(no such row)";
    const std::string actual = i < program.size() ? program[i].text : "(missing)";
    const std::string expected = i < recorded.size() ? recorded[i] : "(not in the record)";
    EXPECT_EQ(actual, expected) << "record's " << kind << " " << i + 1 << " against the program's "
                                << row;
  }
}

TEST(RunEffects, CommandLinesMatchTheRecordInStartOrder) {
  const Record record = ReadRecord();
  std::vector<ProgramEntry> runLines;
  for (std::size_t i = 0; i < catalogue::kDiskLines.size(); ++i) {
    runLines.push_back({Numbered("disk line", i), std::string(catalogue::kDiskLines[i])});
  }
  for (std::size_t i = 0; i < catalogue::kServiceLines.size(); ++i) {
    runLines.push_back({Numbered("service entry", i), std::string(catalogue::kServiceLines[i])});
  }
  runLines.push_back({"temp-folder line", catalogue::TempLine()});
  ExpectSameInOrder("LINE", record.lines, runLines);

  ExpectSameInOrder("BUTTON", record.buttons,
                    {{"Defrag", std::string(catalogue::kDefragLine)},
                     {"Default Settings", std::string(catalogue::kSystemFileCheckLine)}});
}

TEST(RunEffects, RegistryValuesMatchTheRecordInWriteOrder) {
  const Record record = ReadRecord();
  std::vector<ProgramEntry> values;
  for (std::size_t i = 0; i < catalogue::kRegistryTweaks.size(); ++i) {
    values.push_back({Numbered("registry row", i), ValueText(catalogue::kRegistryTweaks[i])});
  }
  ExpectSameInOrder("VALUE", record.values, values);
}

}  // namespace
