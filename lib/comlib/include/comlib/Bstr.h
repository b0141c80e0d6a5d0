#pragma once
// A copyable owned text. Null and empty are different values, as for BSTR.
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <utility>

#include "Unique.h"

namespace comlib {

class Bstr {
 public:
  Bstr() noexcept = default;
  Bstr(const wchar_t* s) : s_(MakeBstr(s)) {}  // NOLINT: texts convert freely
  Bstr(const wchar_t* s, size_t len) : s_(MakeBstr(s, len)) {}
  Bstr(const std::wstring& s) : s_(MakeBstr(s.c_str(), s.size())) {}  // NOLINT
  static Bstr Copy(BSTR s) { Bstr b; b.s_ = CopyBstr(s); return b; }
  static Bstr Attach(BSTR s) noexcept { Bstr b; b.s_ = s; return b; }

  Bstr(const Bstr& o) : s_(CopyBstr(o.s_)) {}
  Bstr& operator=(const Bstr& o) {
    if (this != &o) {
      BSTR copy = CopyBstr(o.s_);
      ::SysFreeString(s_);
      s_ = copy;
    }
    return *this;
  }
  Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      ::SysFreeString(s_);
      s_ = std::exchange(o.s_, nullptr);
    }
    return *this;
  }
  ~Bstr() { ::SysFreeString(s_); }

  BSTR get() const noexcept { return s_; }
  bool IsNull() const noexcept { return s_ == nullptr; }
  UINT Length() const noexcept { return ::SysStringLen(s_); }
  bool IsEmpty() const noexcept { return Length() == 0; }
  // The text, null read as empty.
  const wchar_t* c_str() const noexcept { return s_ ? s_ : L""; }
  std::wstring str() const { return std::wstring(c_str(), Length()); }
  // A fresh BSTR for an out parameter; null stays null.
  BSTR CopyOut() const { return CopyBstr(s_); }
  BSTR Detach() noexcept { return std::exchange(s_, nullptr); }
  BSTR* put() noexcept {
    ::SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }

  // Equal texts, null equal to null only.
  friend bool operator==(const Bstr& a, const Bstr& b) noexcept {
    if (!a.s_ || !b.s_) return a.s_ == b.s_;
    return a.Length() == b.Length() && std::char_traits<wchar_t>::compare(a.s_, b.s_, a.Length()) == 0;
  }
  friend bool operator!=(const Bstr& a, const Bstr& b) noexcept { return !(a == b); }

 private:
  BSTR s_ = nullptr;
};

}  // namespace comlib
