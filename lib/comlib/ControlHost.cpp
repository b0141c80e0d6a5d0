#include "ControlHost.h"

#include "Unique.h"

namespace comlib {

namespace {

// atl.dll's exports; no ATL headers ship with mingw. The 32-bit toolchain has
// no import library for atl.dll, so both builds resolve them at run time.
using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

struct AtlExports {
  AtlAxWinInitFn winInit = nullptr;
  AtlAxGetControlFn getControl = nullptr;
};

const AtlExports& Atl() noexcept {
  // Kept loaded for the life of the process: host windows run its code.
  static const AtlExports exports = [] {
    AtlExports e;
    if (HMODULE atl = ::LoadLibraryW(L"atl.dll")) {
      e.winInit = reinterpret_cast<AtlAxWinInitFn>(
          reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxWinInit")));
      e.getControl = reinterpret_cast<AtlAxGetControlFn>(
          reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxGetControl")));
    }
    return e;
  }();
  return exports;
}

constexpr wchar_t kHostClass[] = L"AtlAxWin";

bool HostClassExists() noexcept {
  WNDCLASSEXW info = {sizeof info};
  return ::GetClassInfoExW(::GetModuleHandleW(nullptr), kHostClass, &info) ||
         ::GetClassInfoExW(nullptr, kHostClass, &info);
}

}  // namespace

bool InitControlHosting() noexcept {
  if (HostClassExists()) return true;
  const AtlExports& atl = Atl();
  if (!atl.winInit) return false;
  // A second registration fails in some versions; the class is what counts.
  atl.winInit();
  return HostClassExists();
}

HWND CreateControlHost(HWND parent, int id, const RECT& rect, const wchar_t* name) noexcept {
  if (!parent || !name || !InitControlHosting()) return nullptr;
  HWND host = ::CreateWindowExW(0, kHostClass, name, WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                ::GetModuleHandleW(nullptr), nullptr);
  // Wine's container keeps the window when the control cannot be created
  // (Windows refuses the window): an empty host is no host.
  ComPtr<IUnknown> control;
  if (host && FAILED(QueryHostedControl(host, IID_IUnknown, control.PutVoid()))) {
    ::DestroyWindow(host);
    host = nullptr;
  }
  return host;
}

HRESULT QueryHostedControl(HWND host, REFIID iid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const AtlExports& atl = Atl();
  if (!host || !atl.getControl) return E_FAIL;
  ComPtr<IUnknown> control;
  const HRESULT hr = atl.getControl(host, control.Put());
  if (FAILED(hr)) return hr;
  if (!control) return E_FAIL;
  return control->QueryInterface(iid, ppv);
}

}  // namespace comlib
