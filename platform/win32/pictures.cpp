// Pictures are kept compressed in the executable and decoded through OleLoadPicture, which
// every Windows since 98 and Wine provide; the decoded bitmap is copied so that we own it.
// On a screen of more than 96 DPI they are enlarged once, smoothly, and kept at that size.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>
#include <utility>

#include "platform/win32/gdi.h"

namespace platform::win32 {

Gdi<HBITMAP> LoadPictureResource(HINSTANCE instance, int id) {
  HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (resource == nullptr) return nullptr;
  const DWORD size = ::SizeofResource(instance, resource);
  const void* bytes = ::LockResource(::LoadResource(instance, resource));
  if (bytes == nullptr || size == 0) return nullptr;

  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) return nullptr;
  void* copy = ::GlobalLock(memory);
  if (copy == nullptr) {
    ::GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(copy, bytes, size);
  ::GlobalUnlock(memory);
  ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, stream.Out())) || !stream) {
    ::GlobalFree(memory);  // the stream, had it been made, would own the memory
    return nullptr;
  }

  ComPtr<IPicture> picture;
  if (FAILED(::OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.Out()))) ||
      !picture) {
    return nullptr;
  }
  OLE_HANDLE handle = 0;
  if (FAILED(picture->get_Handle(&handle)) || handle == 0) return nullptr;
  auto* bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
  return Gdi<HBITMAP>(static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof info, &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

Gdi<HBITMAP> ResizedPicture(Gdi<HBITMAP> picture, int width, int height) {
  const SIZE natural = BitmapSize(picture.get());
  if (natural.cx == 0 || (natural.cx == width && natural.cy == height)) return picture;
  WindowDc screen(nullptr);
  Gdi<HBITMAP> resized(::CreateCompatibleBitmap(screen.get(), width, height));
  if (!resized) return picture;
  MemoryDc from(screen.get(), picture.get());
  MemoryDc to(screen.get(), resized.get());
  if (from.get() == nullptr || to.get() == nullptr) return picture;
  ::SetStretchBltMode(to.get(), HALFTONE);
  ::SetBrushOrgEx(to.get(), 0, 0, nullptr);  // halftone needs the brush origin set after the mode
  ::StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, natural.cx, natural.cy, SRCCOPY);
  return resized;
}

}  // namespace platform::win32
