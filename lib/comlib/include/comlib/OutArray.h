#pragma once
// A task-allocator array of the wire, in either direction: one built here to
// be handed out, or one handed to us. Its elements are cleared (texts freed,
// nested blocks released) with the block unless it is handed out.
// Build the whole answer into OutArrays and plain owners, then hand out:
// a failure half way leaves the caller's out parameters untouched.
#include <windows.h>
#include <objbase.h>

#include <climits>
#include <new>
#include <utility>

namespace comlib {

template <class T, void (*Clear)(T&)>
class OutArray {
 public:
  OutArray() noexcept = default;
  // count zero-filled elements; count 0 still gives a block. Throws std::bad_alloc.
  explicit OutArray(size_t count) : count_(static_cast<ULONG>(count)) {
    if (count > ULONG_MAX || count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    const size_t bytes = (count ? count : 1) * sizeof(T);
    p_ = static_cast<T*>(::CoTaskMemAlloc(bytes));
    if (!p_) throw std::bad_alloc();
    ::ZeroMemory(p_, bytes);
  }
  // Takes over an array handed to us; a null block counts as empty.
  static OutArray Attach(T* items, ULONG count) noexcept {
    OutArray a;
    a.p_ = items;
    a.count_ = items ? count : 0;
    return a;
  }
  ~OutArray() { Reset(); }
  OutArray(const OutArray&) = delete;
  OutArray& operator=(const OutArray&) = delete;
  OutArray(OutArray&& o) noexcept : p_(std::exchange(o.p_, nullptr)), count_(std::exchange(o.count_, 0)) {}
  OutArray& operator=(OutArray&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = std::exchange(o.p_, nullptr);
      count_ = std::exchange(o.count_, 0);
    }
    return *this;
  }

  // The two out parameters of a call that hands an array to us; each
  // releases what was held before.
  ULONG* PutCount() noexcept {
    Reset();
    return &count_;
  }
  T** PutItems() noexcept {
    Reset();
    return &p_;
  }

  T& operator[](size_t i) const noexcept { return p_[i]; }
  T* get() const noexcept { return p_; }
  // A count without a block is none.
  ULONG size() const noexcept { return p_ ? count_ : 0; }
  T* Release() noexcept {
    count_ = 0;
    return std::exchange(p_, nullptr);
  }
  void Reset() noexcept {
    if (p_) {
      for (ULONG i = 0; i < count_; ++i) Clear(p_[i]);
      ::CoTaskMemFree(p_);
    }
    p_ = nullptr;
    count_ = 0;
  }

 private:
  T* p_ = nullptr;
  ULONG count_ = 0;
};

namespace detail {
inline void ClearBstr(BSTR& s) {
  ::SysFreeString(s);
  s = nullptr;
}
template <class T>
inline void ClearNothing(T&) {}
}  // namespace detail

using BstrOutArray = OutArray<BSTR, detail::ClearBstr>;
template <class T>
using PlainOutArray = OutArray<T, detail::ClearNothing<T>>;

// Resets every out parameter to its empty value; false when any is null.
// A method answers E_POINTER then, with the valid ones reset.
template <class... T>
bool ResetOuts(T*... outs) noexcept {
  bool all = true;
  ((outs ? (void)(*outs = T{}) : (void)(all = false)), ...);
  return all;
}

}  // namespace comlib
