// The trust checks of the way back's folder and files; the facts come from the handle in use.
#include "catalogue/settings_folder.h"

#include "platform/failure.h"
#include "platform/system_constants.h"
#include "platform/trust.h"

namespace catalogue {
namespace {

std::string Error(long code) { return " (error " + std::to_string(code) + ")"; }

bool IsMissing(long error) {
  return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
}

}  // namespace

SettingsFolder::SettingsFolder(platform::Files& files, Purpose purpose)
    : files_(files), path_(files.CommonAppDataFolder() + "\\Brisko") {
  Open(purpose == Purpose::kSaving);
  if (handle_ == 0) return;
  // The handle is ours from here: a refusal must still let go of it.
  try {
    Check(purpose);
  } catch (...) {
    files_.CloseFolder(handle_);
    throw;
  }
}

SettingsFolder::~SettingsFolder() {
  if (handle_ != 0) files_.CloseFolder(handle_);
}

void SettingsFolder::Open(bool create) {
  long opened = files_.OpenFolder(path_, true, &handle_);
  if (IsMissing(opened) && create) {
    // Someone may make it between the look and the make (error 183): then it is theirs to be
    // judged like any folder that was there before.
    const long made = files_.CreateProtectedFolder(path_);
    if (made != 0 && made != platform::kErrorAlreadyExists) {
      throw platform::Failure("cannot make the folder " + path_ + Error(made));
    }
    opened = files_.OpenFolder(path_, true, &handle_);
  }
  if (opened == 0) return;
  handle_ = 0;
  if (IsMissing(opened) && !create) return;
  throw platform::Failure("cannot check the folder " + path_ + Error(opened));
}

void SettingsFolder::Check(Purpose purpose) {
  platform::FolderFacts facts = files_.FolderFactsOf(handle_);
  if (!facts.directory) throw platform::Failure(path_ + " is not a folder");
  if (facts.reparsePoint) throw platform::Failure(path_ + " leads to another place");
  if (!facts.security.kept) {
    if (purpose == Purpose::kSaving) return;
    throw platform::Failure(
        path_ +
        " is on a file system that keeps no owners (FAT), so any user could have put a "
        "file there; name the saved file to put back: /undo FILE");
  }
  const platform::AccountFacts account = files_.Account();
  if (!platform::TrustedPrincipal(facts.security.owner, account)) {
    throw platform::Failure(path_ + " belongs to " + platform::OwnerName(facts.security) +
                            ", not to the administrators");
  }
  if (platform::UntrustedWriter(facts.security, account).empty() && facts.security.listProtected) {
    return;
  }
  // Made by an administrator with its parent's list (mkdir, Explorer), or changed since: the
  // protected list is put back before anything in the folder is used.
  const long protectedNow = files_.ProtectFolder(handle_);
  facts = files_.FolderFactsOf(handle_);
  const std::string writer = platform::UntrustedWriter(facts.security, account);
  if (!writer.empty()) {
    throw platform::Failure(writer + " may change the folder " + path_ +
                            (protectedNow != 0
                                 ? ", and its access list cannot be put back" + Error(protectedNow)
                                 : ", even after its access list was put back"));
  }
}

bool ReadSavedFile(platform::Files& files, const std::string& path, std::size_t maxBytes,
                   std::vector<std::uint8_t>* bytes, std::string* reason) {
  platform::FileFacts facts;
  const long read = files.ReadWholeFile(path, maxBytes, bytes, &facts);
  if (read != 0 && read != platform::kErrorFileTooLarge) {
    *reason = "cannot read " + path + Error(read);
    return false;
  }
  const platform::AccountFacts account = files.Account();
  const std::string refusal =
      !facts.diskFile      ? "it is not a file on a disk"
      : facts.reparsePoint ? "it is a link to another file"
      : facts.links != 1   ? "it has other names (hard links), which someone else may have made"
      : facts.security.kept && !platform::TrustedPrincipal(facts.security.owner, account)
          ? "it belongs to " + platform::OwnerName(facts.security) + ", not to the administrators"
      : read == platform::kErrorFileTooLarge ? "it is far larger than any file Brisko saves"
                                             : "";
  if (!refusal.empty()) {
    bytes->clear();
    *reason = "cannot use " + path + ": " + refusal;
    return false;
  }
  return true;
}

}  // namespace catalogue
