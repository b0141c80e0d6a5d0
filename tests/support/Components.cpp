#include "Components.h"

#include <algorithm>

namespace testing_support {

std::wstring BuildPath(const std::wstring& relative) {
  std::wstring base;
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(L"RESTORE_BUILD_DIR", buffer, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    base.assign(buffer, n);
    // A Unix path from ctest: the whole Unix tree is drive Z: under Wine.
    if (!base.empty() && base[0] == L'/') base = L"Z:" + base;
    for (wchar_t& c : base)
      if (c == L'/') c = L'\\';
  } else {
    ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    base = buffer;
    for (int up = 0; up < 2; ++up) base.erase(base.find_last_of(L'\\'));
  }
  return base + L"\\" + relative;
}

RegistryLock::RegistryLock()
    : mutex_(::CreateMutexW(nullptr, FALSE, L"Local\\RestorePlugIn.Tests.Registry")) {
  // An abandoned mutex is ours as well: its holder crashed.
  if (mutex_) ::WaitForSingleObject(mutex_.get(), INFINITE);
}

RegistryLock::~RegistryLock() {
  if (mutex_) ::ReleaseMutex(mutex_.get());
}

ServerDll::ServerDll(const std::wstring& path) : module_(::LoadLibraryW(path.c_str())) {}

ServerDll::~ServerDll() {
  if (module_) ::FreeLibrary(module_);
}

std::wstring ServerDll::path() const {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(module_, buffer, MAX_PATH);
  return std::wstring(buffer, n);
}

HRESULT ServerDll::Call(const char* name) const {
  using Export = HRESULT(STDAPICALLTYPE*)();
  auto f = reinterpret_cast<Export>(::GetProcAddress(module_, name));
  return f ? f() : E_NOTIMPL;
}

HRESULT ServerDll::Register() const { return Call("DllRegisterServer"); }
HRESULT ServerDll::Unregister() const { return Call("DllUnregisterServer"); }
HRESULT ServerDll::CanUnloadNow() const { return Call("DllCanUnloadNow"); }

HRESULT ServerDll::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
  using Export = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto f = reinterpret_cast<Export>(::GetProcAddress(module_, "DllGetClassObject"));
  return f ? f(clsid, iid, ppv) : E_NOTIMPL;
}

HRESULT ServerDll::Create(REFCLSID clsid, REFIID iid, void** ppv) const {
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, iid, ppv);
  factory->Release();
  return hr;
}

ScopedRegistration::ScopedRegistration(const std::wstring& path)
    : dll_(path), status_(dll_.loaded() ? dll_.Register() : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)) {}

ScopedRegistration::~ScopedRegistration() {
  if (dll_.loaded()) dll_.Unregister();
}

// The bundled sample backups, as Wine shows the source tree.
std::wstring SamplesFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(L"RESTORE_SOURCE_DIR", buffer, MAX_PATH);
  std::wstring base = n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
  if (!base.empty() && base[0] == L'/') base = L"Z:" + base;
  std::replace(base.begin(), base.end(), L'/', L'\\');
  if (base.empty()) {
    // Run by hand: the build folder is build\<preset> of the source tree.
    wchar_t full[MAX_PATH];
    const std::wstring up = BuildPath(L"..\\..");
    if (::GetFullPathNameW(up.c_str(), MAX_PATH, full, nullptr)) base = full;
  }
  return base + L"\\samples\\backups";
}

}  // namespace testing_support
