// The clean-up steps of "Optimize". Each has its own trap: a failure ends that step only.
#include "catalogue/cleanup_actions.h"

#include "platform/command_runner.h"
#include "platform/failure.h"

namespace catalogue {
namespace {

void Start(platform::Processes& processes, std::string_view line) {
  platform::Ignore(platform::RunCommandLine(processes, std::string(line), platform::kSwHide));
}

// Releases the COM object once, whichever way ClearUrlHistory leaves.
class UrlHistoryRef {
 public:
  explicit UrlHistoryRef(platform::UrlHistoryStg* object) : object_(object) {}
  ~UrlHistoryRef() { Release(); }
  UrlHistoryRef(const UrlHistoryRef&) = delete;
  UrlHistoryRef& operator=(const UrlHistoryRef&) = delete;
  platform::UrlHistoryStg* operator->() const { return object_; }
  void Release() {
    if (object_ != nullptr) platform::Ignore(std::exchange(object_, nullptr)->Release());
  }

 private:
  platform::UrlHistoryStg* object_;
};

}  // namespace

std::string TempLine() { return std::string(kTempLineFolder) + std::string(kTempLineFiles); }

bool SetWallpaper(platform::Desktop& desktop, const std::string& path) {
  bool accepted = false;
  platform::Trap([&] {
    accepted = desktop.SetDeskWallpaper(path, kSpifUpdateIniFile + kSpifSendWinIniChange) != 0;
  });
  return accepted;
}

void CleanDiskAndDesktop(platform::Processes& processes, platform::Desktop& desktop,
                         const platform::Window& mainWindow) {
  platform::Trap([&] {
    Start(processes, kDiskLines[0]);
    platform::Ignore(SetWallpaper(desktop, ""));
    for (std::size_t i = 1; i < kDiskLines.size(); ++i) Start(processes, kDiskLines[i]);
    const platform::Handle window = mainWindow.hWnd();
    // Another program may hold the clipboard; then it simply keeps its contents.
    platform::Ignore(desktop.OpenClipboard(window));
    platform::Ignore(desktop.EmptyClipboard());
    platform::Ignore(desktop.CloseClipboard());
  });
}

void EmptyRecycleBin(platform::Desktop& desktop, const platform::Window& mainWindow) {
  platform::Trap([&] {
    // An empty bin and a refused emptying look alike, and neither is worth a word.
    platform::Ignore(desktop.EmptyRecycleBin(mainWindow.hWnd(), kSherbNoConfirmation));
  });
}

void DeleteTempFiles(platform::Processes& processes) {
  platform::Trap([&] { Start(processes, TempLine()); });
}

bool ClearUrlHistory(platform::Com& com) {
  bool cleared = false;
  platform::Trap([&] {
    platform::Guid clsid, iid;
    platform::Ignore(com.ClsidFromString(std::wstring(kClsidCUrlHistory), &clsid));
    platform::Ignore(com.ClsidFromString(std::wstring(kIidIUrlHistoryStg2), &iid));
    platform::UrlHistoryStg* created = nullptr;
    if (com.CreateUrlHistory(clsid, kClsctxInprocServer, iid, &created) != 0) return;
    UrlHistoryRef history(created);
    platform::Ignore(history->ClearHistory());
    history.Release();
    cleared = true;
  });
  return cleared;
}

}  // namespace catalogue
