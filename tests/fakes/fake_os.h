// An in-memory operating system for unit tests. Every call is written to one ordered
// trace, any call can be made to throw on its k-th use, and the registry keeps its values
// with case-insensitive key paths as the real one does.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/os.h"

namespace fakes {

struct RegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

class FakeOs : public platform::Processes,
               public platform::Registry,
               public platform::Desktop,
               public platform::Com,
               public platform::SystemInfo,
               public platform::Files {
 public:
  // The trace: one entry per call, for example "CreateProcess 0 cmd /c net stop Alerter".
  std::vector<std::string> trace;

  // Makes the n-th (1-based) call named `call` throw platform::Failure, with the given text
  // or "<call> refused".
  void FailOn(const std::string& call, int n, const std::string& text = "") {
    failures_[call] = n;
    failureTexts_[call] = text.empty() ? call + " refused" : text;
  }

  platform::Os Os() { return {*this, *this, *this, *this, *this, *this}; }

  // The WOW64 question, shared by Processes and Registry. By default a 32-bit XP SP3: the
  // question is there and answers no.
  platform::RuntimeCall wow64Call = platform::RuntimeCall::kSucceeded;
  bool wow64 = false;
  platform::RuntimeCall IsWow64Process(bool* answer) override;

  // Processes
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  platform::RuntimeCall disableRedirectionCall = platform::RuntimeCall::kSucceeded;
  bool redirectionDisabled = false;  // for this thread, right now
  std::string SystemDirectory() override;
  std::uint32_t StartProcess(const std::string& application, const std::string& commandLine,
                             int showState, const std::string& currentDirectory,
                             platform::Handle* keptProcess) override;
  platform::RuntimeCall DisableFsRedirection(platform::Handle* previous) override;
  platform::RuntimeCall RevertFsRedirection(platform::Handle previous) override;
  // When not 0, starting a process fails with this system error code (SystemFailure), as the
  // real wrapper's does.
  unsigned long createProcessError = 0;
  // The system's words for error codes; a code not listed reads "error <code>". The trace
  // says "native" when they are asked for while redirection is off.
  std::map<unsigned long, std::string> systemMessages;
  std::string SystemMessage(unsigned long code) override;
  std::vector<std::string> CommandLines() const;  // in start order
  std::vector<int> ShowStates() const;

  // Kept processes: how a line ends, by command line. A line not listed ends at once with
  // exit code 0. The clock (Milliseconds) moves on only while a wait lasts.
  struct LineOutcome {
    bool ends = true;
    std::uint32_t exitCode = 0;
    std::uint32_t runsMs = 0;  // from its start
  };
  std::map<std::string, LineOutcome> outcomes;
  std::uint32_t clock = 0;
  int keptProcesses = 0;  // kept and not closed yet
  bool WaitForProcess(platform::Handle process, std::uint32_t timeoutMs,
                      std::uint32_t* exitCode) override;
  void CloseProcess(platform::Handle process) override;
  std::uint32_t Milliseconds() override;

  // Registry
  std::vector<std::uint32_t> refusedRoots;
  // "root\KEY\PATH|name", key upper-cased; "64:" before keys opened in the 64-bit view
  std::map<std::string, RegistryValue> values;
  // Keys that exist without values ("root\KEY\PATH", as above); a key with a value exists.
  std::set<std::string> keys;
  // Error codes that reading a value answers instead, by "root\KEY\PATH|name" as above.
  std::map<std::string, long> readErrors;
  // Error codes that writing or deleting a value answers instead, likewise.
  std::map<std::string, long> changeErrors;
  // Keys opened in the 64-bit view are kept apart from the others, as WOW64 keeps them.
  long CreateKey(std::uint32_t root, const std::string& path, platform::Handle* key) override;
  long CreateKeyEx(std::uint32_t root, const std::string& path, std::uint32_t access,
                   platform::Handle* key) override;
  long SetValue(platform::Handle key, const std::string& name, std::uint32_t type,
                std::span<const std::uint8_t> data) override;
  long CloseKey(platform::Handle key) override;
  long OpenKey(std::uint32_t root, const std::string& path, std::uint32_t access,
               platform::Handle* key) override;
  long QueryValue(platform::Handle key, const std::string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override;
  long SetValueExact(platform::Handle key, const std::string& name, std::uint32_t type,
                     std::span<const std::uint8_t> data) override;
  long DeleteValue(platform::Handle key, const std::string& name) override;
  // Puts a value (and so its key) into the registry, as a test's starting state.
  void Put(std::uint32_t root, const std::string& path, const std::string& name,
           RegistryValue value, bool view64 = false);
  const RegistryValue* Find(std::uint32_t root, const std::string& path, const std::string& name,
                            bool view64 = false) const;

  // Desktop
  bool clipboardHeld = false;  // another program has the clipboard open
  int SetDeskWallpaper(const std::string& path, unsigned winIni) override;
  int OpenClipboard(platform::Handle window) override;
  int EmptyClipboard() override;
  int CloseClipboard() override;
  long EmptyRecycleBin(platform::Handle window, unsigned flags) override;

  // Com
  long createResult = 0;
  long ClsidFromString(const std::wstring& text, platform::Guid* id) override;
  long CreateUrlHistory(const platform::Guid& clsid, unsigned context, const platform::Guid& iid,
                        platform::UrlHistoryStg** object) override;
  int liveUrlHistories = 0;

  // SystemInfo. The extended memory query by default is there and succeeds; a failed one
  // still writes the figures. The extended disk query is there or missing; driveReady decides
  // whether either disk query succeeds.
  platform::RuntimeCall memoryStatusExCall = platform::RuntimeCall::kSucceeded;
  bool hasDiskFreeSpaceEx = true;
  platform::MemoryStatusEx memory{64, 43, 536330240, 268165120};
  std::map<std::string, std::string> environment{{"PROCESSOR_IDENTIFIER", "x86 Family 6"}};
  platform::VersionInfo version{148, 5, 1, 2600};
  bool driveReady = true;
  std::uint64_t driveTotal = 78300000, driveFree = 31320000, driveAvailable = 31320000;
  std::uint32_t sectorsPerCluster = 8, bytesPerSector = 512, freeClusters = 0, totalClusters = 0;
  platform::LocaleSeparators locale;
  platform::RuntimeCall GlobalMemoryStatusEx(platform::MemoryStatusEx* status) override;
  void GlobalMemoryStatus(platform::MemoryStatus* status) override;
  std::string Environment(const std::string& name) override;
  int QueryVersion(platform::VersionInfo* info) override;
  platform::RuntimeCall QueryDiskFreeSpaceEx(const std::string& root,
                                             std::uint64_t* availableToCaller, std::uint64_t* total,
                                             std::uint64_t* totalFree) override;
  int QueryDiskFreeSpace(const std::string& root, std::uint32_t* sectorsPerCluster,
                         std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                         std::uint32_t* totalClusters) override;
  platform::LocaleSeparators Separators() override;

  // Files: an in-memory file system. Paths compare as given. Folders are there when listed in
  // folders (the drives' roots and the common application data folder are, made by the
  // administrators); a file's facts are those of fileFacts, or a plain file of the
  // administrators'.
  std::string commonAppData = "C:\\ProgramData";
  std::map<std::string, platform::FolderFacts> folders{{"C:\\", AdministratorsFolder()},
                                                       {"Z:\\", AdministratorsFolder()},
                                                       {"C:\\ProgramData", AdministratorsFolder()}};
  std::map<std::string, long> openFolderErrors;  // what OpenFolder answers instead, by path
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::map<std::string, platform::FileFacts> fileFacts;
  std::map<std::string, std::string> fullPaths;  // what FullPath makes of a path, else itself
  long createFolderResult = 0;                   // what CreateProtectedFolder answers
  // What CreateProtectedFolder finds made meanwhile by someone else, answering 183.
  std::optional<platform::FolderFacts> folderMadeMeanwhile;
  long protectResult = 0;    // what ProtectFolder answers
  bool protectTakes = true;  // the list ProtectFolder sets is the list read afterwards
  long writeResult = 0;      // what WriteNewFile answers when the name is free
  platform::CalendarTime now{2026, 12, 11, 14, 30, 5};
  std::string computerName = "LAB-07";
  // As on XP: no split tokens.
  platform::AccountFacts account;
  std::string CommonAppDataFolder() override;
  std::string FullPath(const std::string& path) override;
  long OpenFolder(const std::string& path, bool forChange, platform::Handle* folder) override;
  platform::FolderFacts FolderFactsOf(platform::Handle folder) override;
  long ProtectFolder(platform::Handle folder) override;
  void CloseFolder(platform::Handle folder) override;
  long CreateProtectedFolder(const std::string& path) override;
  long WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
  long ReadWholeFile(const std::string& path, std::size_t maxBytes,
                     std::vector<std::uint8_t>* bytes, platform::FileFacts* facts) override;
  std::vector<std::string> ListFiles(const std::string& folder,
                                     const std::string& pattern) override;
  platform::CalendarTime Now() override;
  std::string ComputerName() override;
  platform::AccountFacts Account() override;
  // Folders opened and not closed yet, and registry keys likewise.
  std::size_t HeldFolders() const { return heldFolders_.size(); }
  std::size_t OpenKeys() const { return openKeys_.size(); }

  // A folder as CreateProtectedFolder makes it: the Administrators group's, with the protected
  // list. AdministratorsFolder(false) has its parent's list, as `mkdir` by an administrator makes
  // it under C:\ProgramData, where every user may add files.
  static platform::FolderFacts AdministratorsFolder(bool protectedList = true);

  int Count(const std::string& call) const;

 private:
  void Record(const std::string& call, const std::string& detail = "");
  long OpenHandle(std::uint32_t root, const std::string& path, bool view64, platform::Handle* key);
  // Both value writes: the same bookkeeping, under their own names in the trace.
  long Store(const std::string& call, platform::Handle key, const std::string& name,
             std::uint32_t type, std::span<const std::uint8_t> data);
  bool KeyExists(const std::string& key) const;
  std::map<std::string, int> failures_;
  std::map<std::string, std::string> failureTexts_;
  std::map<std::string, int> counts_;
  std::map<platform::Handle, std::string> openKeys_;
  std::map<platform::Handle, std::string> heldFolders_;
  struct Kept {
    std::string line;
    std::uint32_t startedAt = 0;
  };
  std::map<platform::Handle, Kept> kept_;
  platform::Handle nextKey_ = 0x100;
};

}  // namespace fakes
