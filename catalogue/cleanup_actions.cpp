// The clean-up steps of "Optimize". Each has its own trap: a failure ends that step only.
#include "catalogue/cleanup_actions.h"

#include "platform/failure.h"
#include "platform/system_constants.h"

namespace catalogue {
namespace {

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
    accepted = desktop.SetDeskWallpaper(
                   path, platform::kSpifUpdateIniFile + platform::kSpifSendWinIniChange) != 0;
  });
  return accepted;
}

void CleanDiskAndDesktop(platform::Processes& processes, platform::Desktop& desktop,
                         const platform::Window& mainWindow, const RunOptions& options,
                         RunListener& listener) {
  constexpr RunStep kStep = RunStep::kCleanDiskAndDesktop;
  TrapStep(kStep, listener, [&] {
    StartRunLine(processes, kStep, kDiskLines[0], options, listener);
    listener.WallpaperRemoved(SetWallpaper(desktop, ""));
    for (std::size_t i = 1; i < kDiskLines.size(); ++i) {
      StartRunLine(processes, kStep, kDiskLines[i], options, listener);
    }
    const platform::Handle window = mainWindow.hWnd();
    // Another program may hold the clipboard; then it simply keeps its contents.
    const bool opened = desktop.OpenClipboard(window) != 0;
    const bool emptied = desktop.EmptyClipboard() != 0;
    platform::Ignore(desktop.CloseClipboard());
    listener.ClipboardEmptied(opened, emptied);
  });
}

void EmptyRecycleBin(platform::Desktop& desktop, const platform::Window& mainWindow,
                     const RunOptions& options, RunListener& listener) {
  TrapStep(RunStep::kEmptyRecycleBin, listener, [&] {
    const unsigned flags = platform::kSherbNoConfirmation |
                           (options.showRecycleBinProgress ? 0u : platform::kSherbNoProgressUi);
    // An empty bin and a refused emptying look alike, and neither is worth a word.
    listener.RecycleBinEmptied(desktop.EmptyRecycleBin(mainWindow.hWnd(), flags));
  });
}

void DeleteTempFiles(platform::Processes& processes, const RunOptions& options,
                     RunListener& listener) {
  TrapStep(RunStep::kDeleteTempFiles, listener, [&] {
    StartRunLine(processes, RunStep::kDeleteTempFiles, TempLine(), options, listener);
  });
}

bool ClearUrlHistory(platform::Com& com, RunListener& listener) {
  bool cleared = false;
  TrapStep(RunStep::kClearUrlHistory, listener, [&] {
    platform::Guid clsid, iid;
    platform::Ignore(com.ClsidFromString(std::wstring(kClsidCUrlHistory), &clsid));
    platform::Ignore(com.ClsidFromString(std::wstring(kIidIUrlHistoryStg2), &iid));
    platform::UrlHistoryStg* created = nullptr;
    if (com.CreateUrlHistory(clsid, platform::kClsctxInprocServer, iid, &created) != 0) return;
    UrlHistoryRef history(created);
    platform::Ignore(history->ClearHistory());
    history.Release();
    cleared = true;
  });
  listener.UrlHistoryCleared(cleared);
  return cleared;
}

}  // namespace catalogue
