#pragma once
// An out array under construction: a task-allocator block whose elements are
// cleared (texts freed, nested blocks released) unless it is handed out.
// Build the whole answer into OutArrays and plain owners, then hand out:
// a failure half way leaves the caller's out parameters untouched.
#include <windows.h>
#include <objbase.h>

#include <new>
#include <utility>

namespace comlib {

template <class T, void (*Clear)(T&)>
class OutArray {
 public:
  // count zero-filled elements; count 0 still gives a block. Throws std::bad_alloc.
  explicit OutArray(size_t count) : count_(count) {
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    const size_t bytes = (count ? count : 1) * sizeof(T);
    p_ = static_cast<T*>(::CoTaskMemAlloc(bytes));
    if (!p_) throw std::bad_alloc();
    ::ZeroMemory(p_, bytes);
  }
  ~OutArray() {
    if (!p_) return;
    for (size_t i = 0; i < count_; ++i) Clear(p_[i]);
    ::CoTaskMemFree(p_);
  }
  OutArray(const OutArray&) = delete;
  OutArray& operator=(const OutArray&) = delete;
  OutArray(OutArray&& o) noexcept : p_(std::exchange(o.p_, nullptr)), count_(o.count_) {}

  T& operator[](size_t i) noexcept { return p_[i]; }
  size_t size() const noexcept { return count_; }
  T* Release() noexcept { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
  size_t count_ = 0;
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
