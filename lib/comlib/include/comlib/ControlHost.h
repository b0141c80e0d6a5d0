#pragma once
// Hosting ActiveX controls in child windows through the platform's control
// container: the "AtlAxWin" window class of the system's atl.dll. The window
// text names the control (program id or braced class id); the container
// creates it, activates it in place inside the host window and sizes it with
// the host.
#include <windows.h>

#include "ComPtr.h"

namespace comlib {

// Registers the container's window class once per process; false when
// atl.dll or its class is not available. OLE must be initialised on the thread.
bool InitControlHosting() noexcept;

// A visible child of parent with the given id over rect (parent client
// coordinates) hosting the control named by name. Null when the control
// cannot be created (no empty host is left behind).
HWND CreateControlHost(HWND parent, int id, const RECT& rect, const wchar_t* name) noexcept;

// The control a host window holds, asked for iid.
HRESULT QueryHostedControl(HWND host, REFIID iid, void** ppv) noexcept;

template <class T>
ComPtr<T> HostedControl(HWND host) noexcept {
  ComPtr<T> control;
  QueryHostedControl(host, __uuidof(T), control.PutVoid());
  return control;
}

}  // namespace comlib
