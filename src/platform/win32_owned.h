// Small owners of the Win32 resources the program uses: each frees its
// resource once, when it goes out of scope or is told to; each can be moved
// and none copied.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace vz {

// `Traits` says what no resource is and how one is freed:
//   static T None();        the value that owns nothing
//   static bool Valid(T);   false for every "none" the system returns
//   static bool Free(T);    frees it; false when the system refused
template <typename T, typename Traits>
class Owned {
 public:
  Owned() : h_(Traits::None()) {}
  explicit Owned(T h) : h_(h) {}
  ~Owned() { Close(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : h_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  bool valid() const { return Traits::Valid(h_); }
  T get() const { return h_; }
  // Frees now; false when the system refused.
  bool Close() { return reset(Traits::None()); }
  // Frees what it held and takes `h`.
  bool reset(T h) {
    const bool ok = !valid() || Traits::Free(h_);
    h_ = h;
    return ok;
  }
  // Gives the resource up to the caller, who frees it.
  T release() {
    const T h = h_;
    h_ = Traits::None();
    return h;
  }
  // For a call that returns the resource through a pointer: frees what it
  // held and lends its own slot.
  T* receive() {
    Close();
    return &h_;
  }

 private:
  T h_;
};

namespace owned {

// Some calls fail with INVALID_HANDLE_VALUE (CreateFileW), others with NULL
// (OpenProcess, CreateEventW); both count as no handle.
struct KernelHandle {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  // cppcheck-suppress [knownConditionTrueFalse, constParameter]
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static bool Free(HANDLE h) { return CloseHandle(h) != FALSE; }
};
struct FindHandle : KernelHandle {
  // cppcheck-suppress constParameter
  static bool Free(HANDLE h) { return FindClose(h) != FALSE; }
};
template <typename T>
struct NullIsNone {
  static T None() { return nullptr; }
  // cppcheck-suppress constParameter
  static bool Valid(T h) { return h != nullptr; }
};
template <typename T>
struct GdiObject : NullIsNone<T> {
  static bool Free(T h) { return DeleteObject(h) != FALSE; }
};
struct ImageList : NullIsNone<HIMAGELIST> {
  static bool Free(HIMAGELIST h) { return ImageList_Destroy(h) != FALSE; }
};
struct GlobalMemory : NullIsNone<HGLOBAL> {
  static bool Free(HGLOBAL h) { return GlobalFree(h) == nullptr; }
};
struct MemoryDc : NullIsNone<HDC> {
  static bool Free(HDC h) { return DeleteDC(h) != FALSE; }
};
struct LocalMemory : NullIsNone<HLOCAL> {
  static bool Free(HLOCAL h) { return LocalFree(h) == nullptr; }
};
template <typename I>
struct ComInterface : NullIsNone<I*> {
  static bool Free(I* p) {
    p->Release();
    return true;
  }
};

}  // namespace owned

// A kernel handle (file, process, thread, snapshot, event).
class ScopedHandle : public Owned<HANDLE, owned::KernelHandle> {
 public:
  using Owned::Owned;
};

using FindHandle = Owned<HANDLE, owned::FindHandle>;             // FindFirstFileExW
using FontHandle = Owned<HFONT, owned::GdiObject<HFONT>>;        // CreateFontW
using BitmapHandle = Owned<HBITMAP, owned::GdiObject<HBITMAP>>;  // LoadImageW, CopyImage
using BrushHandle = Owned<HBRUSH, owned::GdiObject<HBRUSH>>;     // CreateSolidBrush
using ImageListHandle = Owned<HIMAGELIST, owned::ImageList>;     // ImageList_Create
using MemoryDcHandle = Owned<HDC, owned::MemoryDc>;              // CreateCompatibleDC
using GlobalHandle = Owned<HGLOBAL, owned::GlobalMemory>;        // GlobalAlloc
using LocalHandle = Owned<HLOCAL, owned::LocalMemory>;           // FormatMessageW's buffer
template <typename I>
using ComPtr = Owned<I*, owned::ComInterface<I>>;  // a COM interface

// A window's device context (GetDC; the screen's for no window), given
// back when it goes out of scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  bool valid() const { return dc_ != nullptr; }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A font or bitmap selected into a device context for as long as it lives;
// then the one it replaced is selected again.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  bool ok() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace vz
