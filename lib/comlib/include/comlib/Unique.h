#pragma once
// One RAII owner for every kind of handle: UniqueAny<T, Close, Invalid>,
// where Invalid names the value that means "no handle" for that kind.
#include <windows.h>
#include <oleauto.h>
#include <objbase.h>
#include <utility>

namespace comlib {

// Most handles are empty when null.
template <class T>
struct NullInvalid {
  static T Value() noexcept { return T{}; }
  static bool Valid(T v) noexcept { return v != T{}; }
};
// Kernel handles: CreateFileW and FindFirstFileW answer INVALID_HANDLE_VALUE
// on failure, CreateEventW, CreateMutexW and OpenProcess null; an owner of
// either kind takes both as "no handle", so any result goes straight in.
struct NullOrInvalidHandle {
  static HANDLE Value() noexcept { return nullptr; }
  static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

template <class T, void (*Close)(T), class Invalid = NullInvalid<T>>
class UniqueAny {
 public:
  UniqueAny() noexcept = default;
  explicit UniqueAny(T v) noexcept : v_(v) {}
  ~UniqueAny() { reset(); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& o) noexcept : v_(o.release()) {}
  UniqueAny& operator=(UniqueAny&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  T get() const noexcept { return v_; }
  explicit operator bool() const noexcept { return Invalid::Valid(v_); }
  void reset(T v = Invalid::Value()) noexcept {
    T old = std::exchange(v_, v);
    if (Invalid::Valid(old)) Close(old);
  }
  T release() noexcept { return std::exchange(v_, Invalid::Value()); }
  // Releases the current value before handing out its address.
  T* put() noexcept {
    reset();
    return &v_;
  }

 private:
  T v_ = Invalid::Value();
};

namespace detail {
inline void CloseBstr(BSTR s) { ::SysFreeString(s); }
inline void CloseHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseHkey(HKEY k) { ::RegCloseKey(k); }
inline void CloseHwnd(HWND w) { ::DestroyWindow(w); }
inline void CloseHmenu(HMENU m) { ::DestroyMenu(m); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseHicon(HICON i) { ::DestroyIcon(i); }
template <class Gdi>
void DeleteGdiObject(Gdi o) { ::DeleteObject(o); }
inline void CloseHdc(HDC dc) { ::DeleteDC(dc); }
inline void CloseHook(HHOOK h) { ::UnhookWindowsHookEx(h); }
inline void CloseLocal(void* p) { ::LocalFree(p); }
}  // namespace detail

using UniqueBstr = UniqueAny<BSTR, detail::CloseBstr>;
using UniqueHandle = UniqueAny<HANDLE, detail::CloseHandle, NullOrInvalidHandle>;
using UniqueHkey = UniqueAny<HKEY, detail::CloseHkey>;
using UniqueHwnd = UniqueAny<HWND, detail::CloseHwnd>;
using UniqueHmenu = UniqueAny<HMENU, detail::CloseHmenu>;
using UniqueHicon = UniqueAny<HICON, detail::CloseHicon>;
// GDI objects the caller created; a memory DC from CreateCompatibleDC.
using UniqueHfont = UniqueAny<HFONT, detail::DeleteGdiObject<HFONT>>;
using UniqueHbitmap = UniqueAny<HBITMAP, detail::DeleteGdiObject<HBITMAP>>;
using UniqueHdc = UniqueAny<HDC, detail::CloseHdc>;
using UniqueHhook = UniqueAny<HHOOK, detail::CloseHook>;
// Blocks the system allocates for its callers, as FormatMessageW does.
using UniqueLocal = UniqueAny<void*, detail::CloseLocal>;
// Results of CreateFileW and FindFirstFileW(Ex)W go straight in.
using UniqueFile = UniqueAny<HANDLE, detail::CloseHandle, NullOrInvalidHandle>;
using UniqueFind = UniqueAny<HANDLE, detail::CloseFind, NullOrInvalidHandle>;

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC for a scope; the DC's previous one goes back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A block from the task allocator, typed.
template <class T>
class UniqueCoTaskMem {
 public:
  UniqueCoTaskMem() noexcept = default;
  explicit UniqueCoTaskMem(T* p) noexcept : p_(p) {}
  ~UniqueCoTaskMem() { reset(); }
  UniqueCoTaskMem(const UniqueCoTaskMem&) = delete;
  UniqueCoTaskMem& operator=(const UniqueCoTaskMem&) = delete;
  UniqueCoTaskMem(UniqueCoTaskMem&& o) noexcept : p_(o.release()) {}
  UniqueCoTaskMem& operator=(UniqueCoTaskMem&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  // count elements, zero-filled; count 0 still gives a block.
  static UniqueCoTaskMem Allocate(size_t count) noexcept {
    const size_t bytes = (count ? count : 1) * sizeof(T);
    if (count > SIZE_MAX / sizeof(T)) return UniqueCoTaskMem();
    void* p = ::CoTaskMemAlloc(bytes);
    if (p) ::ZeroMemory(p, bytes);
    return UniqueCoTaskMem(static_cast<T*>(p));
  }
  T* get() const noexcept { return p_; }
  T& operator[](size_t i) const noexcept { return p_[i]; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset(T* p = nullptr) noexcept {
    T* old = std::exchange(p_, p);
    if (old) ::CoTaskMemFree(old);
  }
  T* release() noexcept { return std::exchange(p_, nullptr); }
  T** put() noexcept {
    reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// A fresh copy of a BSTR, null staying null; throws std::bad_alloc when
// a non-null text cannot be copied.
BSTR CopyBstr(BSTR s);
// A fresh BSTR of the given text; throws std::bad_alloc.
BSTR MakeBstr(const wchar_t* s, size_t len);
inline BSTR MakeBstr(const wchar_t* s) { return s ? MakeBstr(s, wcslen(s)) : nullptr; }

}  // namespace comlib
