// The operating-system interfaces over kernel32, advapi32, user32, shell32 and ole32.
#pragma once

#include <string>
#include <vector>

#include "platform/os.h"

namespace platform::win32 {

// The system's text for an error code (FormatMessageW, as UTF-8), for failures a user may be
// shown or a log may hold.
std::string SystemMessage(unsigned long error);

class Win32Os : public Processes, public Registry, public Desktop, public Com, public SystemInfo {
 public:
  RuntimeCall IsWow64Process(bool* wow64) override;

  std::string SystemDirectory() override;
  std::uint32_t StartProcess(const std::string& application, const std::string& commandLine,
                             int showState, const std::string& currentDirectory,
                             Handle* keptProcess) override;
  RuntimeCall DisableFsRedirection(Handle* previous) override;
  RuntimeCall RevertFsRedirection(Handle previous) override;
  std::string SystemMessage(unsigned long code) override;
  bool WaitForProcess(Handle process, std::uint32_t timeoutMs, std::uint32_t* exitCode) override;
  void CloseProcess(Handle process) override;
  std::uint32_t Milliseconds() override;

  long CreateKey(std::uint32_t root, const std::string& path, Handle* key) override;
  long CreateKeyEx(std::uint32_t root, const std::string& path, std::uint32_t access,
                   Handle* key) override;
  long SetValue(Handle key, const std::string& name, std::uint32_t type,
                std::span<const std::uint8_t> data) override;
  long CloseKey(Handle key) override;
  long OpenKey(std::uint32_t root, const std::string& path, std::uint32_t access,
               Handle* key) override;
  long QueryValue(Handle key, const std::string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override;
  long SetValueExact(Handle key, const std::string& name, std::uint32_t type,
                     std::span<const std::uint8_t> data) override;
  long DeleteValue(Handle key, const std::string& name) override;

  int SetDeskWallpaper(const std::string& path, unsigned winIni) override;
  int OpenClipboard(Handle window) override;
  int EmptyClipboard() override;
  int CloseClipboard() override;
  long EmptyRecycleBin(Handle window, unsigned flags) override;

  long ClsidFromString(const std::wstring& text, Guid* id) override;
  long CreateUrlHistory(const Guid& clsid, unsigned context, const Guid& iid,
                        UrlHistoryStg** object) override;

  RuntimeCall GlobalMemoryStatusEx(MemoryStatusEx* status) override;
  void GlobalMemoryStatus(MemoryStatus* status) override;
  std::string Environment(const std::string& name) override;
  int QueryVersion(VersionInfo* info) override;
  RuntimeCall QueryDiskFreeSpaceEx(const std::string& root, std::uint64_t* availableToCaller,
                                   std::uint64_t* total, std::uint64_t* totalFree) override;
  int QueryDiskFreeSpace(const std::string& root, std::uint32_t* sectorsPerCluster,
                         std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                         std::uint32_t* totalClusters) override;
  LocaleSeparators Separators() override;
};

}  // namespace platform::win32
