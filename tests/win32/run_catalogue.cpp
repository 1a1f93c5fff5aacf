// Prints what one run must do, for the whole-run test: the 74 command lines in start order
// ("LINE text"), the 49 registry values ("VALUE root|key|name|type|data"), and the lines of
// "Defrag" and "Default Settings" ("BUTTON text").
#include <cstdio>
#include <string>

#include "catalogue/cleanup_actions.h"
#include "catalogue/maintenance_commands.h"
#include "catalogue/registry_tweaks.h"
#include "catalogue/service_catalogue.h"

namespace {
void Line(std::string_view line) { std::printf("LINE %.*s\n", int(line.size()), line.data()); }
}  // namespace

int main() {
  for (std::string_view line : catalogue::kDiskLines) Line(line);
  for (std::string_view line : catalogue::kServiceLines) Line(line);
  Line(catalogue::TempLine());
  for (const catalogue::RegistryTweak& row : catalogue::kRegistryTweaks) {
    const std::string data =
        row.type == platform::kRegSz ? std::string(row.text) : std::to_string(row.number);
    std::printf("VALUE %08x|%.*s|%.*s|%u|%s\n", row.root, int(row.keyPath.size()),
                row.keyPath.data(), int(row.valueName.size()), row.valueName.data(), row.type,
                data.c_str());
  }
  for (std::string_view line : {catalogue::kDefragLine, catalogue::kSystemFileCheckLine}) {
    std::printf("BUTTON %.*s\n", int(line.size()), line.data());
  }
  return 0;
}
