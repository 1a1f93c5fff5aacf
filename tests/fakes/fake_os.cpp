// The fake operating system's bookkeeping.
#include "tests/fakes/fake_os.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/system_constants.h"

namespace fakes {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string KeyName(std::uint32_t root, const std::string& path, bool view64) {
  return (view64 ? "64:" : "") + std::to_string(root) + "\\" + Upper(path);
}

constexpr platform::Handle kRedirectionToken = 0x50;

std::string Name(platform::RuntimeCall call) {
  switch (call) {
    case platform::RuntimeCall::kMissing:
      return "missing";
    case platform::RuntimeCall::kFailed:
      return "failed";
    case platform::RuntimeCall::kSucceeded:
      break;
  }
  return "";
}

class FakeUrlHistory : public platform::UrlHistoryStg {
 public:
  FakeUrlHistory(FakeOs& os, std::vector<std::string>& trace) : os_(os), trace_(trace) {}
  long ClearHistory() override {
    trace_.push_back("ClearHistory");
    return 0;
  }
  unsigned long Release() override {
    trace_.push_back("Release");
    --os_.liveUrlHistories;
    delete this;
    return 0;
  }

 private:
  FakeOs& os_;
  std::vector<std::string>& trace_;
};

}  // namespace

void FakeOs::Record(const std::string& call, const std::string& detail) {
  trace.push_back(detail.empty() ? call : call + " " + detail);
  const int n = ++counts_[call];
  auto failure = failures_.find(call);
  if (failure != failures_.end() && failure->second == n) {
    throw platform::Failure(failureTexts_.at(call));
  }
}

int FakeOs::Count(const std::string& call) const {
  auto count = counts_.find(call);
  return count == counts_.end() ? 0 : count->second;
}

platform::RuntimeCall FakeOs::IsWow64Process(bool* answer) {
  Record("IsWow64Process", Name(wow64Call));
  if (wow64Call == platform::RuntimeCall::kSucceeded) *answer = wow64;
  return wow64Call;
}

std::string FakeOs::SystemDirectory() {
  Record("SystemDirectory");
  return systemDirectory;
}

std::uint32_t FakeOs::StartProcess(const std::string& application, const std::string& commandLine,
                                   int showState, const std::string& currentDirectory,
                                   platform::Handle* keptProcess) {
  Record("CreateProcess", std::to_string(showState) + " " + application + " in " +
                              currentDirectory + (redirectionDisabled ? " native" : "") + " | " +
                              commandLine);
  if (createProcessError != 0) throw platform::SystemFailure(createProcessError);
  const auto n = static_cast<std::uint32_t>(Count("CreateProcess"));
  if (keptProcess != nullptr) {
    *keptProcess = 0x5000 + n;
    kept_[*keptProcess] = {commandLine, clock};
    ++keptProcesses;
  }
  return 1000 + n;
}

bool FakeOs::WaitForProcess(platform::Handle process, std::uint32_t timeoutMs,
                            std::uint32_t* exitCode) {
  Record("WaitForProcess", std::to_string(process) + " " + std::to_string(timeoutMs));
  const Kept& kept = kept_.at(process);
  const auto found = outcomes.find(kept.line);
  const LineOutcome outcome = found == outcomes.end() ? LineOutcome{} : found->second;
  const std::uint32_t endsAt = kept.startedAt + outcome.runsMs;
  if (!outcome.ends || endsAt > clock + timeoutMs) {
    clock += timeoutMs;
    return false;
  }
  clock = std::max(clock, endsAt);
  *exitCode = outcome.exitCode;
  return true;
}

void FakeOs::CloseProcess(platform::Handle process) {
  Record("CloseProcess", std::to_string(process));
  if (kept_.erase(process) == 1) --keptProcesses;
}

std::uint32_t FakeOs::Milliseconds() {
  Record("Milliseconds");
  return clock;
}

platform::RuntimeCall FakeOs::DisableFsRedirection(platform::Handle* previous) {
  Record("DisableFsRedirection", Name(disableRedirectionCall));
  if (disableRedirectionCall != platform::RuntimeCall::kSucceeded) return disableRedirectionCall;
  *previous = kRedirectionToken;
  redirectionDisabled = true;
  return platform::RuntimeCall::kSucceeded;
}

platform::RuntimeCall FakeOs::RevertFsRedirection(platform::Handle previous) {
  Record("RevertFsRedirection");
  if (previous != kRedirectionToken) return platform::RuntimeCall::kFailed;
  redirectionDisabled = false;
  return platform::RuntimeCall::kSucceeded;
}

std::string FakeOs::SystemMessage(unsigned long code) {
  Record("SystemMessage", std::to_string(code) + (redirectionDisabled ? " native" : ""));
  const auto found = systemMessages.find(code);
  return found != systemMessages.end() ? found->second : "error " + std::to_string(code);
}

std::vector<std::string> FakeOs::CommandLines() const {
  std::vector<std::string> lines;
  for (const std::string& entry : trace) {
    if (entry.rfind("CreateProcess ", 0) == 0) lines.push_back(entry.substr(entry.find(" | ") + 3));
  }
  return lines;
}

std::vector<int> FakeOs::ShowStates() const {
  std::vector<int> states;
  for (const std::string& entry : trace) {
    if (entry.rfind("CreateProcess ", 0) == 0) states.push_back(entry[14] - '0');
  }
  return states;
}

long FakeOs::CreateKey(std::uint32_t root, const std::string& path, platform::Handle* key) {
  Record("CreateKey", std::to_string(root) + " " + path);
  keys.insert(KeyName(root, path, false));
  return OpenHandle(root, path, false, key);
}

long FakeOs::CreateKeyEx(std::uint32_t root, const std::string& path, std::uint32_t access,
                         platform::Handle* key) {
  char rights[16];
  std::snprintf(rights, sizeof rights, "0x%08x", access);
  Record("CreateKeyEx", std::to_string(root) + " " + path + " access " + rights);
  const bool view64 = (access & platform::kKeyWow64_64Key) != 0;
  keys.insert(KeyName(root, path, view64));
  return OpenHandle(root, path, view64, key);
}

long FakeOs::OpenKey(std::uint32_t root, const std::string& path, std::uint32_t access,
                     platform::Handle* key) {
  char rights[16];
  std::snprintf(rights, sizeof rights, "0x%08x", access);
  Record("OpenKey", std::to_string(root) + " " + path + " access " + rights);
  const bool view64 = (access & platform::kKeyWow64_64Key) != 0;
  if (!KeyExists(KeyName(root, path, view64))) return platform::kErrorFileNotFound;
  return OpenHandle(root, path, view64, key);
}

bool FakeOs::KeyExists(const std::string& key) const {
  if (keys.count(key) != 0) return true;
  auto after = values.lower_bound(key + "|");
  return after != values.end() && after->first.rfind(key + "|", 0) == 0;
}

long FakeOs::QueryValue(platform::Handle key, const std::string& name, std::uint32_t* type,
                        std::vector<std::uint8_t>* data) {
  Record("QueryValue", name);
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return 6;  // invalid handle
  const std::string id = open->second + "|" + Upper(name);
  if (auto error = readErrors.find(id); error != readErrors.end()) return error->second;
  auto value = values.find(id);
  if (value == values.end()) return platform::kErrorFileNotFound;
  *type = value->second.type;
  *data = value->second.data;
  return 0;
}

long FakeOs::SetValueExact(platform::Handle key, const std::string& name, std::uint32_t type,
                           std::span<const std::uint8_t> data) {
  return Store("SetValueExact", key, name, type, data);
}

long FakeOs::DeleteValue(platform::Handle key, const std::string& name) {
  Record("DeleteValue", name);
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return 6;
  if (auto error = changeErrors.find(open->second + "|" + Upper(name));
      error != changeErrors.end()) {
    return error->second;
  }
  return values.erase(open->second + "|" + Upper(name)) == 1 ? 0 : platform::kErrorFileNotFound;
}

void FakeOs::Put(std::uint32_t root, const std::string& path, const std::string& name,
                 RegistryValue value, bool view64) {
  values[KeyName(root, path, view64) + "|" + Upper(name)] = std::move(value);
}

long FakeOs::OpenHandle(std::uint32_t root, const std::string& path, bool view64,
                        platform::Handle* key) {
  if (std::find(refusedRoots.begin(), refusedRoots.end(), root) != refusedRoots.end()) {
    return 5;  // access denied; the handle stays as it was
  }
  *key = nextKey_++;
  openKeys_[*key] = KeyName(root, path, view64);
  return 0;
}

long FakeOs::SetValue(platform::Handle key, const std::string& name, std::uint32_t type,
                      std::span<const std::uint8_t> data) {
  return Store("SetValue", key, name, type, data);
}

long FakeOs::Store(const std::string& call, platform::Handle key, const std::string& name,
                   std::uint32_t type, std::span<const std::uint8_t> data) {
  Record(call, name + " type " + std::to_string(type) + " length " + std::to_string(data.size()));
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return 6;  // invalid handle
  if (auto error = changeErrors.find(open->second + "|" + Upper(name));
      error != changeErrors.end()) {
    return error->second;
  }
  values[open->second + "|" + Upper(name)] = {type, {data.begin(), data.end()}};
  return 0;
}

long FakeOs::CloseKey(platform::Handle key) {
  Record("CloseKey");
  return openKeys_.erase(key) == 1 ? 0 : 6;
}

const RegistryValue* FakeOs::Find(std::uint32_t root, const std::string& path,
                                  const std::string& name, bool view64) const {
  auto value = values.find(KeyName(root, path, view64) + "|" + Upper(name));
  return value == values.end() ? nullptr : &value->second;
}

int FakeOs::SetDeskWallpaper(const std::string& path, unsigned winIni) {
  Record("SetDeskWallpaper", "\"" + path + "\" " + std::to_string(winIni));
  return 1;
}

int FakeOs::OpenClipboard(platform::Handle window) {
  Record("OpenClipboard", std::to_string(window));
  return clipboardHeld ? 0 : 1;
}

int FakeOs::EmptyClipboard() {
  Record("EmptyClipboard");
  return 1;
}

int FakeOs::CloseClipboard() {
  Record("CloseClipboard");
  return 1;
}

long FakeOs::EmptyRecycleBin(platform::Handle window, unsigned flags) {
  Record("EmptyRecycleBin", std::to_string(window) + " " + std::to_string(flags));
  return 0;
}

long FakeOs::ClsidFromString(const std::wstring& text, platform::Guid* id) {
  Record("ClsidFromString", std::string(text.begin(), text.end()));
  id->data1 = text.size() > 1 ? static_cast<std::uint32_t>(text[1]) : 0;
  return 0;
}

long FakeOs::CreateUrlHistory(const platform::Guid& /*clsid*/, unsigned context,
                              const platform::Guid& /*iid*/, platform::UrlHistoryStg** object) {
  Record("CreateUrlHistory", std::to_string(context));
  if (createResult != 0) return createResult;
  ++liveUrlHistories;
  *object = new FakeUrlHistory(*this, trace);
  return 0;
}

platform::RuntimeCall FakeOs::GlobalMemoryStatusEx(platform::MemoryStatusEx* status) {
  Record("GlobalMemoryStatusEx", Name(memoryStatusExCall));
  if (memoryStatusExCall == platform::RuntimeCall::kMissing) return memoryStatusExCall;
  const std::uint32_t length = status->length;
  *status = memory;
  status->length = length;
  return memoryStatusExCall;
}

void FakeOs::GlobalMemoryStatus(platform::MemoryStatus* status) {
  Record("GlobalMemoryStatus");
  // The old structure saturates at 4 GiB - 1, as the system does.
  const auto clamp = [](std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu));
  };
  status->memoryLoad = memory.memoryLoad;
  status->totalPhys = clamp(memory.totalPhys);
  status->availPhys = clamp(memory.availPhys);
}

std::string FakeOs::Environment(const std::string& name) {
  Record("Environment", name);
  auto value = environment.find(name);
  return value == environment.end() ? std::string() : value->second;
}

int FakeOs::QueryVersion(platform::VersionInfo* info) {
  Record("GetVersionEx", std::to_string(info->size));
  const std::uint32_t size = info->size;
  *info = version;
  info->size = size;
  return 1;
}

platform::RuntimeCall FakeOs::QueryDiskFreeSpaceEx(const std::string& root,
                                                   std::uint64_t* availableToCaller,
                                                   std::uint64_t* total, std::uint64_t* totalFree) {
  const platform::RuntimeCall outcome = !hasDiskFreeSpaceEx ? platform::RuntimeCall::kMissing
                                        : driveReady        ? platform::RuntimeCall::kSucceeded
                                                            : platform::RuntimeCall::kFailed;
  Record("GetDiskFreeSpaceEx",
         outcome == platform::RuntimeCall::kSucceeded ? root : root + " " + Name(outcome));
  if (outcome != platform::RuntimeCall::kSucceeded) return outcome;
  *availableToCaller = driveAvailable;
  *total = driveTotal;
  *totalFree = driveFree;
  return outcome;
}

int FakeOs::QueryDiskFreeSpace(const std::string& root, std::uint32_t* spc, std::uint32_t* bps,
                               std::uint32_t* freeC, std::uint32_t* totalC) {
  Record("GetDiskFreeSpace", root);
  if (!driveReady) return 0;
  *spc = sectorsPerCluster;
  *bps = bytesPerSector;
  *freeC = freeClusters;
  *totalC = totalClusters;
  return 1;
}

platform::LocaleSeparators FakeOs::Separators() {
  Record("Separators");
  return locale;
}

platform::FolderFacts FakeOs::AdministratorsFolder(bool protectedList) {
  using platform::Principal;
  platform::FolderFacts facts{.exists = true, .directory = true};
  facts.security.owner = Principal::kAdministrators;
  facts.security.ownerSid = "S-1-5-32-544";
  facts.security.listProtected = protectedList;
  facts.security.grants = {{Principal::kSystem, "S-1-5-18", 0x1F01FF},
                           {Principal::kAdministrators, "S-1-5-32-544", 0x1F01FF},
                           {Principal::kOther, "S-1-5-32-545", 0x1200A9}};
  // ProgramData's "Users: create files and folders", passed on to what is made in it.
  if (!protectedList) facts.security.grants.push_back({Principal::kOther, "S-1-5-32-545", 0x116});
  return facts;
}

std::string FakeOs::CommonAppDataFolder() {
  Record("CommonAppDataFolder");
  return commonAppData;
}

std::string FakeOs::FullPath(const std::string& path) {
  Record("FullPath", path);
  const auto full = fullPaths.find(path);
  return full == fullPaths.end() ? path : full->second;
}

long FakeOs::OpenFolder(const std::string& path, bool forChange, platform::Handle* folder) {
  Record("OpenFolder", path + (forChange ? " for change" : ""));
  if (const auto error = openFolderErrors.find(path); error != openFolderErrors.end()) {
    return error->second;
  }
  const auto found = folders.find(path);
  if (found == folders.end() || !found->second.exists) return platform::kErrorFileNotFound;
  *folder = nextKey_++;
  heldFolders_[*folder] = path;
  return 0;
}

platform::FolderFacts FakeOs::FolderFactsOf(platform::Handle folder) {
  Record("FolderFactsOf", heldFolders_.at(folder));
  return folders.at(heldFolders_.at(folder));
}

long FakeOs::ProtectFolder(platform::Handle folder) {
  Record("ProtectFolder", heldFolders_.at(folder));
  if (protectResult != 0) return protectResult;
  if (protectTakes) {
    platform::FolderFacts& facts = folders.at(heldFolders_.at(folder));
    const platform::FolderFacts made = AdministratorsFolder();
    facts.security.listPresent = true;
    facts.security.listProtected = true;
    facts.security.grants = made.security.grants;
  }
  return 0;
}

void FakeOs::CloseFolder(platform::Handle folder) {
  Record("CloseFolder", heldFolders_.at(folder));
  heldFolders_.erase(folder);
}

long FakeOs::CreateProtectedFolder(const std::string& path) {
  Record("CreateProtectedFolder", path);
  if (folderMadeMeanwhile) {
    folders[path] = *folderMadeMeanwhile;
    return platform::kErrorAlreadyExists;
  }
  if (createFolderResult == 0) folders[path] = AdministratorsFolder();
  return createFolderResult;
}

long FakeOs::WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  Record("WriteNewFile", path);
  if (files.count(path) != 0) return platform::kErrorFileExists;
  if (writeResult != 0) return writeResult;
  files[path].assign(bytes.begin(), bytes.end());
  return 0;
}

long FakeOs::ReadWholeFile(const std::string& path, std::size_t maxBytes,
                           std::vector<std::uint8_t>* bytes, platform::FileFacts* facts) {
  Record("ReadWholeFile", path);
  auto file = files.find(path);
  if (file == files.end()) return platform::kErrorFileNotFound;
  const auto given = fileFacts.find(path);
  if (given != fileFacts.end()) {
    *facts = given->second;
  } else {
    *facts = {.diskFile = true, .links = 1};
    facts->security.owner = platform::Principal::kAdministrators;
    facts->security.ownerSid = "S-1-5-32-544";
  }
  if (file->second.size() > maxBytes) return platform::kErrorFileTooLarge;
  *bytes = file->second;
  return 0;
}

std::vector<std::string> FakeOs::ListFiles(const std::string& folder, const std::string& pattern) {
  Record("ListFiles", folder + "\\" + pattern);
  std::vector<std::string> names;
  const std::string suffix = pattern.substr(pattern.find('*') + 1);  // "*.reg" -> ".reg"
  for (const auto& [path, bytes] : files) {
    if (path.rfind(folder + "\\", 0) != 0) continue;
    const std::string name = path.substr(folder.size() + 1);
    if (name.find('\\') == std::string::npos && name.ends_with(suffix)) names.push_back(name);
  }
  return names;
}

platform::CalendarTime FakeOs::Now() {
  Record("Now");
  return now;
}

std::string FakeOs::ComputerName() {
  Record("ComputerName");
  return computerName;
}

platform::AccountFacts FakeOs::Account() {
  Record("Account");
  return account;
}

}  // namespace fakes
