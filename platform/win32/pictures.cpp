// Pictures in JPEG or GIF are kept compressed in the executable and decoded through
// OleLoadPicture, which every Windows since 98 and Wine provide; the decoded bitmap is copied
// so that we own it. Small pictures are plain bitmap resources, which need no decoder.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "platform/win32/gdi.h"
#include "platform/win32/system_library.h"

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
  // A bitmap resource needs no decoder, so no picture library is loaded for it.
  if (::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)) != nullptr) {
    return Gdi<HBITMAP>(static_cast<HBITMAP>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  // The decoders are loaded with the first JPEG or GIF, not at start-up.
  const auto createStream =
      SystemFunction<decltype(&::CreateStreamOnHGlobal)>("ole32.dll", "CreateStreamOnHGlobal");
  const auto oleLoadPicture =
      SystemFunction<decltype(&::OleLoadPicture)>("oleaut32.dll", "OleLoadPicture");
  if (createStream == nullptr || oleLoadPicture == nullptr) return nullptr;
  StartCom();
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
  if (createStream(memory, TRUE, &rawStream) != S_OK) {
    ::GlobalFree(memory);
    return nullptr;
  }
  ComPtr<IStream> stream(rawStream);

  IPicture* rawPicture = nullptr;
  if (oleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
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
