#pragma once
#include <unknwn.h>
#include <utility>

namespace comlib {

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}  // NOLINT
  // Takes a new reference.
  explicit ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& o) noexcept {
    ComPtr(o).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(std::move(o)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  static ComPtr Attach(T* p) noexcept { ComPtr c; c.p_ = p; return c; }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void Reset() noexcept { if (T* p = std::exchange(p_, nullptr)) p->Release(); }
  void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // Releases the current pointer before handing out its address.
  T** Put() noexcept {
    Reset();
    return &p_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  template <class U>
  HRESULT As(ComPtr<U>* out) const noexcept {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(__uuidof(U), out->PutVoid());
  }
  // Hands out a new reference.
  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

 private:
  T* p_ = nullptr;
};

template <class T, class U>
bool SameObject(T* a, U* b) noexcept {
  if (!a || !b) return static_cast<void*>(a) == static_cast<void*>(b);
  IUnknown* ua = nullptr;
  IUnknown* ub = nullptr;
  bool same = false;
  if (SUCCEEDED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua))) &&
      SUCCEEDED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub))))
    same = ua == ub;
  if (ua) ua->Release();
  if (ub) ub->Release();
  return same;
}

}  // namespace comlib
