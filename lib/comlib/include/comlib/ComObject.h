#pragma once
// Base of every component object: reference counting on the thread that owns
// it (apartment model), aggregation, and a QITAB searched by QISearch.
//
// A class derives from ComObject<Self> and its interfaces, puts
// COMLIB_DELEGATING_IUNKNOWN in its public part, and declares
//   static const QITAB* Interfaces() noexcept;
// returning { QITABENT(Self, IFoo), ..., { nullptr, 0 } }.
#include <windows.h>
#include <shlwapi.h>

#include <new>

#include "Module.h"

namespace comlib {

template <class Derived>
class ComObject {
 public:
  // The shape of every creation function of the object table.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An aggregated object may hand its outer only its own IUnknown.
    if (outer && !::IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    Derived* object = new (std::nothrow) Derived();
    if (!object) return E_OUTOFMEMORY;
    ComObject* base = object;
    base->outer_ = outer ? outer : &base->inner_;
    HRESULT hr = object->FinalConstruct();
    if (SUCCEEDED(hr)) hr = base->inner_.QueryInterface(riid, ppv);
    base->inner_.Release();
    return hr;
  }

  // A non-aggregated instance, for code of the module that wants the class.
  static HRESULT Create(Derived** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    Derived* object = new (std::nothrow) Derived();
    if (!object) return E_OUTOFMEMORY;
    ComObject* base = object;
    base->outer_ = &base->inner_;
    const HRESULT hr = object->FinalConstruct();
    if (FAILED(hr)) {
      base->inner_.Release();
      return hr;
    }
    *out = object;
    return S_OK;
  }

 protected:
  ComObject() noexcept : inner_(this) { Module::Lock(); }
  virtual ~ComObject() { Module::Unlock(); }
  // Runs once after construction; a failure destroys the object.
  HRESULT FinalConstruct() noexcept { return S_OK; }
  IUnknown* Outer() const noexcept { return outer_; }

 private:
  // The non-delegating IUnknown: owns the reference count.
  class Inner : public IUnknown {
   public:
    explicit Inner(ComObject* owner) noexcept : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
      if (!ppv) return E_POINTER;
      if (::IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
      }
      return ::QISearch(static_cast<Derived*>(owner_), Derived::Interfaces(), riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() noexcept override {
      const ULONG left = --refs_;
      if (left == 0) {
        refs_ = 1;  // guard against re-entry from the destructor
        delete owner_;
      }
      return left;
    }

   private:
    ComObject* owner_;
    ULONG refs_ = 1;
  };

  Inner inner_;
  IUnknown* outer_ = nullptr;
};

}  // namespace comlib

#define COMLIB_DELEGATING_IUNKNOWN                                               \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {       \
    return Outer()->QueryInterface(riid, ppv);                                   \
  }                                                                              \
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return Outer()->AddRef(); }  \
  STDMETHODIMP_(ULONG) Release() noexcept override { return Outer()->Release(); }
