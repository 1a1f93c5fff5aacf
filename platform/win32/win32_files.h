// The files of the way back over kernel32, advapi32 and shell32: the shared data folder, a
// folder only SYSTEM and Administrators may change, files written once and read whole.
#pragma once

#include <string>
#include <vector>

#include "platform/os.h"

namespace platform::win32 {

class Win32Files : public Files {
 public:
  std::string CommonAppDataFolder() override;
  std::string FullPath(const std::string& path) override;
  long OpenFolder(const std::string& path, bool forChange, Handle* folder) override;
  FolderFacts FolderFactsOf(Handle folder) override;
  long ProtectFolder(Handle folder) override;
  void CloseFolder(Handle folder) override;
  long CreateProtectedFolder(const std::string& path) override;
  long WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
  long ReadWholeFile(const std::string& path, std::size_t maxBytes,
                     std::vector<std::uint8_t>* bytes, FileFacts* facts) override;
  std::vector<std::string> ListFiles(const std::string& folder,
                                     const std::string& pattern) override;
  CalendarTime Now() override;
  std::string ComputerName() override;
  AccountFacts Account() override;
};

}  // namespace platform::win32
