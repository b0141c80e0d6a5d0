#pragma once
// IDispatch of a dual interface, served from the type library embedded in
// the module (TYPELIB 1). Derive from DispatchImpl<IFoo, kFooSlot> instead of
// IFoo, where the module numbers its dual interfaces from 0.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include "ComPtr.h"

namespace comlib {

// How many dual interfaces a module may serve; a larger slot does not compile.
inline constexpr size_t kTypeInfoSlots = 8;

// The type information of an interface of the module's own type library,
// cached in its slot. Loaded once per process and kept until
// ReleaseModuleTypeInfo; E_INVALIDARG for a slot past the cache.
HRESULT ModuleTypeInfo(size_t slot, REFIID iid, ITypeInfo** info) noexcept;
// Drops the cached type library; DllMain calls it when the module is freed.
void ReleaseModuleTypeInfo() noexcept;

template <class Interface, size_t Slot>
class DispatchImpl : public Interface {
  static_assert(Slot < kTypeInfoSlots, "one cache slot per dual interface");

 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return ModuleTypeInfo(Slot, __uuidof(Interface), info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) noexcept override {
    if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = ModuleTypeInfo(Slot, __uuidof(Interface), info.Put());
    if (FAILED(hr)) return hr;
    return info->GetIDsOfNames(names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept override {
    if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = ModuleTypeInfo(Slot, __uuidof(Interface), info.Put());
    if (FAILED(hr)) return hr;
    // The type information calls back through this interface's vtable.
    return info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception,
                        argError);
  }
};

}  // namespace comlib
