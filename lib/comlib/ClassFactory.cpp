#include "ClassFactory.h"

#include <shlwapi.h>

#include <new>

#include "Module.h"

namespace comlib {
namespace {

class ClassFactory final : public IClassFactory {
 public:
  // A class object held by a client keeps the module loaded like any object.
  explicit ClassFactory(CreateFunction create) noexcept : create_(create) { Module::Lock(); }
  ~ClassFactory() { Module::Unlock(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    static const QITAB table[] = {QITABENT(ClassFactory, IClassFactory), {nullptr, 0}};
    return ::QISearch(this, table, riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override {
    return create_(outer, riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) noexcept override {
    if (lock)
      Module::Lock();
    else
      Module::Unlock();
    return S_OK;
  }

 private:
  CreateFunction create_;
  ULONG refs_ = 1;
};

}  // namespace

HRESULT CreateClassFactory(CreateFunction create, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ClassFactory* factory = new (std::nothrow) ClassFactory(create);
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

HRESULT GetClassObject(const ObjectEntry* table, size_t count, REFCLSID clsid, REFIID riid,
                       void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (table[i].create && ::IsEqualCLSID(*table[i].clsid, clsid))
      return CreateClassFactory(table[i].create, riid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace comlib
