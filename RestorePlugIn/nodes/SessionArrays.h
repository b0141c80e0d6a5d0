#pragma once
// Owners of the arrays the session hands out: every text is the receiver's,
// every array a task-allocator block, even with a count of 0.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "RestorePlugIn.h"

namespace nodes {

template <class T>
class SessionArray {
 public:
  SessionArray() noexcept = default;
  ~SessionArray() { Reset(); }
  SessionArray(const SessionArray&) = delete;
  SessionArray& operator=(const SessionArray&) = delete;

  // The out parameters of a session call; release what was held before.
  ULONG* PutCount() noexcept {
    Reset();
    return &count_;
  }
  T** PutItems() noexcept {
    Reset();
    return &items_;
  }
  ULONG count() const noexcept { return items_ ? count_ : 0; }
  T* get() const noexcept { return items_; }
  T& operator[](ULONG i) const noexcept { return items_[i]; }
  void Reset() noexcept;

 private:
  ULONG count_ = 0;
  T* items_ = nullptr;
};

void ReleaseElement(BSTR& text) noexcept;
void ReleaseElement(ObjectId&) noexcept;
void ReleaseElement(ServiceNodeStructure& service) noexcept;

template <class T>
void SessionArray<T>::Reset() noexcept {
  if (items_) {
    for (ULONG i = 0; i < count_; ++i) ReleaseElement(items_[i]);
    ::CoTaskMemFree(items_);
  }
  items_ = nullptr;
  count_ = 0;
}

using TextArray = SessionArray<BSTR>;
using IdArray = SessionArray<ObjectId>;
using ServiceArray = SessionArray<ServiceNodeStructure>;

// A text of the session, a missing one read as empty.
inline std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }
std::vector<std::wstring> Texts(const TextArray& texts);

}  // namespace nodes
