// RAII ownership of GDI objects.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace platform::win32 {

struct GdiDeleter {
  void operator()(HGDIOBJ object) const {
    if (object != nullptr) ::DeleteObject(object);
  }
};
template <class Handle>
using Gdi = std::unique_ptr<std::remove_pointer_t<Handle>, GdiDeleter>;

// A picture resource: a bitmap resource, or JPEG or GIF bytes stored as RCDATA and decoded
// by the system's own picture loader so that it works from Windows XP on. Null when it
// cannot be had.
Gdi<HBITMAP> LoadPictureResource(HINSTANCE instance, int id);

}  // namespace platform::win32
