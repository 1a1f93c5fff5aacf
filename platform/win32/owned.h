// Owners of the system's handles and memory: each is given back exactly once, however the
// wrapper that took it is left.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Owns a resource that is null when there is none. A call that gives an "invalid" value other
// than null (INVALID_HANDLE_VALUE) is checked before its result is handed to an owner.
template <class Resource, class Give>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Resource resource) : resource_(resource) {}
  ~Owned() {
    if (resource_ != nullptr) Give()(resource_);
  }
  Owned(Owned&& other) noexcept : resource_(other.Take()) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Resource Get() const { return resource_; }
  // Where a call that hands its result back through a pointer puts it; only while empty.
  Resource* Receive() { return &resource_; }
  // Leaves the resource to the caller, for one whose own release must be checked.
  Resource Take() {
    const Resource resource = resource_;
    resource_ = nullptr;
    return resource;
  }

 private:
  Resource resource_ = nullptr;
};

struct CloseKernelHandle {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct CloseFind {
  void operator()(HANDLE find) const { ::FindClose(find); }
};
struct FreeLocal {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
struct FreeAllocatedSid {
  void operator()(PSID sid) const { ::FreeSid(sid); }
};

using KernelHandle = Owned<HANDLE, CloseKernelHandle>;  // CreateFile, OpenProcessToken...
using FindHandle = Owned<HANDLE, CloseFind>;            // FindFirstFile
using LocalMemory = Owned<void*, FreeLocal>;            // what the system LocalAlloc'ed
using AllocatedSid = Owned<PSID, FreeAllocatedSid>;     // AllocateAndInitializeSid

}  // namespace platform::win32
