#pragma once
#include <windows.h>

namespace comlib {

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

// One entry of a module's object table.
struct ObjectEntry {
  const CLSID* clsid;
  CreateFunction create;
  UINT registryScript;  // "REGISTRY" resource id
};

// A class factory for one creation function; LockServer counts in Module.
HRESULT CreateClassFactory(CreateFunction create, REFIID riid, void** ppv) noexcept;

// DllGetClassObject over an object table.
HRESULT GetClassObject(const ObjectEntry* table, size_t count, REFCLSID clsid, REFIID riid,
                       void** ppv) noexcept;

}  // namespace comlib
