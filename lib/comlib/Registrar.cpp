#include "Registrar.h"

#include <oleauto.h>

#include <string>

#include "ComPtr.h"
#include "Result.h"

namespace comlib {

// atl.dll's registrar; no ATL headers ship with mingw, so the vtable is ours.
// It stays outside the unnamed namespace: with internal linkage g++ takes
// the pure methods for the only implementation and calls __cxa_pure_virtual.
struct IRegistrar : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR key, LPCOLESTR item) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearReplacements() = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceRegisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceUnregisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileRegister(LPCOLESTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileUnregister(LPCOLESTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE StringRegister(LPCOLESTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE StringUnregister(LPCOLESTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceRegister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceUnregister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
};

namespace {

const CLSID kRegistrarClass = {0x44EC053A, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
const IID kRegistrarInterface = {0x44EC053B, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};

HRESULT ModulePath(HINSTANCE module, std::wstring* path) noexcept {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(module, buffer, MAX_PATH);
  RETURN_LAST_ERROR_IF(n == 0);
  RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), n >= MAX_PATH);
  return Guard([&] {
    path->assign(buffer, n);
    return S_OK;
  });
}

// The path as a quoted script text: a quote inside the path is doubled.
std::wstring ScriptQuoted(const std::wstring& path) {
  std::wstring quoted;
  for (wchar_t c : path) {
    quoted += c;
    if (c == L'\'') quoted += c;
  }
  return quoted;
}

// "path" for the first type library, "path\N" for the others.
HRESULT TypeLibraryPath(HINSTANCE module, UINT index, std::wstring* path) noexcept {
  RETURN_IF_FAILED(ModulePath(module, path));
  if (index <= 1) return S_OK;
  return Guard([&] {
    *path += L"\\" + std::to_wstring(index);
    return S_OK;
  });
}

}  // namespace

HRESULT RunRegistryScript(HINSTANCE module, UINT scriptId, bool install) noexcept {
  std::wstring path;
  RETURN_IF_FAILED(ModulePath(module, &path));
  std::wstring replacement;
  RETURN_IF_FAILED(Guard([&] {
    replacement = ScriptQuoted(path);
    return S_OK;
  }));
  ComPtr<IRegistrar> registrar;
  RETURN_IF_FAILED(::CoCreateInstance(kRegistrarClass, nullptr, CLSCTX_INPROC_SERVER,
                                      kRegistrarInterface, registrar.PutVoid()));
  RETURN_IF_FAILED(registrar->AddReplacement(L"MODULE", replacement.c_str()));
  return install ? registrar->ResourceRegister(path.c_str(), scriptId, L"REGISTRY")
                 : registrar->ResourceUnregister(path.c_str(), scriptId, L"REGISTRY");
}

HRESULT RunRegistryScripts(HINSTANCE module, const ObjectEntry* table, size_t count,
                           bool install) noexcept {
  HRESULT first = S_OK;
  for (size_t i = 0; i < count; ++i) {
    if (table[i].registryScript == 0) continue;
    const HRESULT hr = RunRegistryScript(module, table[i].registryScript, install);
    if (FAILED(hr)) {
      if (install) return hr;
      if (SUCCEEDED(first)) first = hr;
    }
  }
  return first;
}

HRESULT RegisterTypeLibrary(HINSTANCE module, UINT index) noexcept {
  std::wstring path;
  RETURN_IF_FAILED(TypeLibraryPath(module, index, &path));
  // Registered by hand rather than with REGKIND_REGISTER: Wine would record
  // the module path without the "\\N" of a second library.
  ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()));
  return ::RegisterTypeLib(library.Get(), &path[0], nullptr);
}

HRESULT UnregisterTypeLibrary(HINSTANCE module, UINT index) noexcept {
  std::wstring path;
  RETURN_IF_FAILED(TypeLibraryPath(module, index, &path));
  ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()));
  TLIBATTR* attr = nullptr;
  RETURN_IF_FAILED(library->GetLibAttr(&attr));
  const TLIBATTR copy = *attr;
  library->ReleaseTLibAttr(attr);
  return ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid,
                             copy.syskind);
}

HRESULT RegisterServer(HINSTANCE module, const ObjectEntry* table, size_t count,
                       const UINT* typeLibraries, size_t libraryCount, bool install) noexcept {
  HRESULT first = RunRegistryScripts(module, table, count, install);
  for (size_t i = 0; i < libraryCount; ++i) {
    if (install) {
      if (FAILED(first)) break;
      first = RegisterTypeLibrary(module, typeLibraries[i]);
    } else {
      const HRESULT hr = UnregisterTypeLibrary(module, typeLibraries[i]);
      if (SUCCEEDED(first)) first = hr;
    }
  }
  return first;
}

}  // namespace comlib
