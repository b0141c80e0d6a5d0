#include "Dispatch.h"

#include "Module.h"

namespace comlib {
namespace {

// Objects of several apartments may ask at once: each pointer is set once,
// by whichever thread gets there first; the others drop their copy.
ITypeLib* g_library = nullptr;
ITypeInfo* g_infos[kTypeInfoSlots] = {};

template <class T>
T* Published(T** slot) noexcept {
  return static_cast<T*>(::InterlockedCompareExchangePointer(reinterpret_cast<void**>(slot), nullptr, nullptr));
}

template <class T>
T* Publish(T** slot, T* fresh) noexcept {
  T* before = static_cast<T*>(
      ::InterlockedCompareExchangePointer(reinterpret_cast<void**>(slot), fresh, nullptr));
  if (!before) return fresh;
  fresh->Release();
  return before;
}

HRESULT Library(ITypeLib** library) noexcept {
  *library = Published(&g_library);
  if (*library) return S_OK;
  wchar_t path[MAX_PATH];
  if (!Module::Path(path, MAX_PATH)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  ITypeLib* loaded = nullptr;
  const HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, &loaded);
  if (FAILED(hr)) return hr;
  *library = Publish(&g_library, loaded);
  return S_OK;
}

}  // namespace

HRESULT ModuleTypeInfo(size_t slot, REFIID iid, ITypeInfo** info) noexcept {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (slot >= kTypeInfoSlots) return E_INVALIDARG;
  ITypeInfo* cached = Published(&g_infos[slot]);
  if (!cached) {
    ITypeLib* library = nullptr;
    HRESULT hr = Library(&library);
    if (FAILED(hr)) return hr;
    ITypeInfo* found = nullptr;
    hr = library->GetTypeInfoOfGuid(iid, &found);
    if (FAILED(hr)) return hr;
    cached = Publish(&g_infos[slot], found);
  }
  cached->AddRef();
  *info = cached;
  return S_OK;
}

void ReleaseModuleTypeInfo() noexcept {
  for (ITypeInfo*& info : g_infos) {
    ITypeInfo* old = static_cast<ITypeInfo*>(::InterlockedExchangePointer(reinterpret_cast<void**>(&info), nullptr));
    if (old) old->Release();
  }
  ITypeLib* library = static_cast<ITypeLib*>(::InterlockedExchangePointer(reinterpret_cast<void**>(&g_library), nullptr));
  if (library) library->Release();
}

}  // namespace comlib
