// Pictures are kept compressed in the executable and decoded through OleLoadPicture, which
// every Windows since 98 and Wine provide; the decoded bitmap is copied so that we own it.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "platform/win32/gdi.h"

namespace platform::win32 {
namespace {

template <class Com>
struct ComRelease {
  void operator()(Com* object) const {
    if (object != nullptr) object->Release();
  }
};
template <class Com>
using ComPtr = std::unique_ptr<Com, ComRelease<Com>>;

}  // namespace

Gdi<HBITMAP> LoadPictureResource(HINSTANCE instance, int id) {
  HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (resource == nullptr) return nullptr;
  const DWORD size = ::SizeofResource(instance, resource);
  const void* bytes = ::LockResource(::LoadResource(instance, resource));
  if (bytes == nullptr || size == 0) return nullptr;

  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) return nullptr;
  std::memcpy(::GlobalLock(memory), bytes, size);
  ::GlobalUnlock(memory);
  IStream* rawStream = nullptr;
  if (::CreateStreamOnHGlobal(memory, TRUE, &rawStream) != S_OK) {
    ::GlobalFree(memory);
    return nullptr;
  }
  ComPtr<IStream> stream(rawStream);

  IPicture* rawPicture = nullptr;
  if (::OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                       reinterpret_cast<void**>(&rawPicture)) != S_OK) {
    return nullptr;
  }
  ComPtr<IPicture> picture(rawPicture);
  OLE_HANDLE handle = 0;
  if (picture->get_Handle(&handle) != S_OK || handle == 0) return nullptr;
  auto* bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
  return Gdi<HBITMAP>(static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
}

}  // namespace platform::win32
