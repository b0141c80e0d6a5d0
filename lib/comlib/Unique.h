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
};
// CreateFileW and FindFirstFileW answer INVALID_HANDLE_VALUE, not null; a
// pointer constant cannot be a template argument, hence a type.
struct InvalidHandleValue {
  static HANDLE Value() noexcept { return INVALID_HANDLE_VALUE; }
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
  explicit operator bool() const noexcept { return v_ != Invalid::Value(); }
  void reset(T v = Invalid::Value()) noexcept {
    T old = std::exchange(v_, v);
    if (old != Invalid::Value()) Close(old);
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
inline void CloseHmodule(HMODULE m) { ::FreeLibrary(m); }
inline void CloseLocal(void* p) { ::LocalFree(p); }
}  // namespace detail

using UniqueBstr = UniqueAny<BSTR, detail::CloseBstr>;
using UniqueHandle = UniqueAny<HANDLE, detail::CloseHandle>;
using UniqueHkey = UniqueAny<HKEY, detail::CloseHkey>;
using UniqueHwnd = UniqueAny<HWND, detail::CloseHwnd>;
using UniqueHmenu = UniqueAny<HMENU, detail::CloseHmenu>;
using UniqueHicon = UniqueAny<HICON, detail::CloseHicon>;
using UniqueHmodule = UniqueAny<HMODULE, detail::CloseHmodule>;
// Blocks the system allocates for its callers, as FormatMessageW does.
using UniqueLocal = UniqueAny<void*, detail::CloseLocal>;
// Results of CreateFileW and FindFirstFileW(Ex)W go straight in.
using UniqueFile = UniqueAny<HANDLE, detail::CloseHandle, InvalidHandleValue>;
using UniqueFind = UniqueAny<HANDLE, detail::CloseFind, InvalidHandleValue>;

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
