// Where the way back keeps its files, <common application data>\Brisko, and how a saved file is
// read back: every user may make folders and files in the common application data folder, so
// the folder is trusted only as far as its owner and access list say, and is held open while it
// is used; a file is judged through the handle that reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"

namespace catalogue {

// The folder, checked and held open (nobody can rename or remove it meanwhile) until the
// object ends. Saving makes it where it is missing; /undo only uses it. It is used only when
// it is a real folder (not a junction or link) owned by SYSTEM or the Administrators group
// (or the account Brisko runs as, where that account has no unelevated processes); an access
// list that lets anyone else add, delete or rename files in it, or change the list or the
// owner, is put back to SYSTEM and Administrators full control, Users read, nothing inherited,
// and the folder is refused when that does not take. On a file system without owners (FAT)
// saving uses the folder as it is, since nothing could be kept from other users there, and
// /undo refuses it, since any user could have put a file there: the file must then be named.
class SettingsFolder {
 public:
  enum class Purpose { kSaving, kUndo };
  // Throws platform::Failure, with the reason in words, when the folder cannot be trusted.
  SettingsFolder(platform::Files& files, Purpose purpose);
  ~SettingsFolder();
  SettingsFolder(const SettingsFolder&) = delete;
  SettingsFolder& operator=(const SettingsFolder&) = delete;

  const std::string& Path() const { return path_; }
  // For /undo: there is no folder, so nothing was ever saved.
  bool Missing() const { return handle_ == 0; }

 private:
  void Open(bool create);
  void Check(Purpose purpose);

  platform::Files& files_;
  std::string path_;
  platform::Handle handle_ = 0;
};

// Reads a saved file whole through the handle that checks it: a plain file on a disk, not a
// link, with no other name, owned by SYSTEM or the Administrators group (or the account Brisko
// runs as, as for the folder) where the file system keeps owners. False, with the reason, when
// it is refused or cannot be read; nothing is judged of what it says.
bool ReadSavedFile(platform::Files& files, const std::string& path, std::size_t maxBytes,
                   std::vector<std::uint8_t>* bytes, std::string* reason);

}  // namespace catalogue
