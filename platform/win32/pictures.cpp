// Pictures: small ones are plain bitmap resources; the landscape is a JPEG kept compressed
// in the executable and decoded by our own decoder straight into its bitmap, so it costs its
// pixels and nothing more. Anything that decoder does not take goes through OleLoadPicture,
// which every Windows since 98 and Wine provide; that bitmap is copied so that we own it.
// On a screen of more than 96 DPI they are enlarged once, smoothly, and kept at that size.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

#include "platform/jpeg_decoder.h"
#include "platform/win32/pictures.h"
#include "platform/win32/system_library.h"

namespace platform::win32 {
namespace {

// A top-down 24-bit bitmap that the JPEG decoder fills in place; null when it refuses.
Gdi<HBITMAP> DecodeJpegBitmap(std::span<const std::uint8_t> data) {
  JpegSize size;
  if (!ReadJpegSize(data, &size)) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Gdi<HBITMAP> bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return nullptr;
  const std::size_t stride = (static_cast<std::size_t>(size.width) * 3 + 3) & ~std::size_t{3};
  const std::span pixels(static_cast<std::uint8_t*>(bits), stride * size.height);
  if (!DecodeJpeg(data, size, pixels, stride)) return nullptr;
  return bitmap;
}

}  // namespace

Gdi<HBITMAP> LoadPictureResource(HINSTANCE instance, int id) {
  // A bitmap resource needs no decoder, so no picture library is loaded for it.
  if (::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)) != nullptr) {
    return Gdi<HBITMAP>(static_cast<HBITMAP>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (resource == nullptr) return nullptr;
  const DWORD size = ::SizeofResource(instance, resource);
  const void* bytes = ::LockResource(::LoadResource(instance, resource));
  if (bytes == nullptr || size == 0) return nullptr;
  if (Gdi<HBITMAP> bitmap = DecodeJpegBitmap({static_cast<const std::uint8_t*>(bytes), size})) {
    return bitmap;
  }

  // The system's decoders are loaded with the first picture that needs them.
  const auto createStream = SystemFunction<decltype(&::CreateStreamOnHGlobal)>(
      SystemLibrary::kOle32, "CreateStreamOnHGlobal", IfMissing::kGiveNull);
  const auto oleLoadPicture = SystemFunction<decltype(&::OleLoadPicture)>(
      SystemLibrary::kOleAut32, "OleLoadPicture", IfMissing::kGiveNull);
  if (createStream == nullptr || oleLoadPicture == nullptr) return nullptr;
  StartCom();

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
  if (FAILED(createStream(memory, TRUE, stream.Out())) || !stream) {
    ::GlobalFree(memory);  // the stream, had it been made, would own the memory
    return nullptr;
  }

  ComPtr<IPicture> picture;
  if (FAILED(oleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
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
