#pragma once
// COM objects the tests stand in with: an outer object for aggregation and
// a spy on the task allocator.
#include <windows.h>
#include <objidl.h>

#include <set>

namespace testing_support {

// An outer object that counts its own references and hands every other
// interface to the inner object, once one is set.
class AggregatingOuter : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

// Watches the task allocator: the blocks that are live, and optionally
// fails the n-th allocation after Arm. Register it with CoRegisterMallocSpy.
// The allocator may call a revoked spy while blocks it saw are still
// allocated: keep the spy alive for as long as those may be freed.
class AllocationSpy : public IMallocSpy {
 public:
  std::set<void*> live;

  // Counts allocations from here; the n-th fails (0: none). Forgets the
  // blocks seen so far.
  void Arm(int failAt) {
    failAt_ = failAt;
    count_ = 0;
    live.clear();
  }
  int allocations() const { return count_; }
  long outstanding() const { return static_cast<long>(live.size()); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IMallocSpy)) return E_NOINTERFACE;
    *ppv = static_cast<IMallocSpy*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
  // Returning 0 makes the allocation fail.
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) noexcept override {
    return ++count_ == failAt_ ? 0 : size;
  }
  STDMETHODIMP_(void*) PostAlloc(void* block) noexcept override {
    if (block) live.insert(block);
    return block;
  }
  STDMETHODIMP_(void*) PreFree(void* block, BOOL) noexcept override {
    live.erase(block);
    return block;
  }
  STDMETHODIMP_(void) PostFree(BOOL) noexcept override {}
  STDMETHODIMP_(SIZE_T) PreRealloc(void* block, SIZE_T size, void** out, BOOL) noexcept override {
    live.erase(block);
    *out = block;
    return size;
  }
  STDMETHODIMP_(void*) PostRealloc(void* block, BOOL) noexcept override {
    if (block) live.insert(block);
    return block;
  }
  STDMETHODIMP_(void*) PreGetSize(void* block, BOOL) noexcept override { return block; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T size, BOOL) noexcept override { return size; }
  STDMETHODIMP_(void*) PreDidAlloc(void* block, BOOL) noexcept override { return block; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) noexcept override { return actual; }
  STDMETHODIMP_(void) PreHeapMinimize() noexcept override {}
  STDMETHODIMP_(void) PostHeapMinimize() noexcept override {}

 private:
  int failAt_ = 0;
  int count_ = 0;
};

}  // namespace testing_support
