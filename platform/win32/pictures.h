// The program's pictures (pictures.cpp), and the RAII owners of GDI objects, device contexts
// and COM pointers that they and the window host draw with.
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

// A memory device context compatible with `reference`, with `bitmap` selected into it for
// its lifetime.
class MemoryDc {
 public:
  MemoryDc(HDC reference, HBITMAP bitmap) : dc_(::CreateCompatibleDC(reference)) {
    if (dc_ != nullptr) old_ = ::SelectObject(dc_, bitmap);
  }
  ~MemoryDc() {
    if (dc_ == nullptr) return;
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// The screen's device context, or a window's, for measuring and as a reference.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// A COM interface pointer that is released on every path. Out() hands the pointer's address
// to the call that creates the object, so no moment exists in which the object is owned by
// nobody.
template <class Com>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Com* operator->() const { return object_; }
  Com* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  Com** Out() {
    Reset();
    return &object_;
  }
  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }

 private:
  Com* object_ = nullptr;
};

// A picture resource: a bitmap resource, or JPEG bytes stored as RCDATA and decoded by our own
// decoder (platform/jpeg_decoder.h), as the landscape is. Only what that decoder does not take
// goes to the system's picture loader, OleLoadPicture. Null when it cannot be had.
Gdi<HBITMAP> LoadPictureResource(HINSTANCE instance, int id);

// `picture` at width x height, smoothed (halftone) when it has to be resized; the picture
// itself when it already has that size, and also when no room can be had for a copy.
Gdi<HBITMAP> ResizedPicture(Gdi<HBITMAP> picture, int width, int height);

// A bitmap's size in pixels.
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace platform::win32
