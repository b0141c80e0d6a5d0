#include "PumpingWait.h"

#include "Machine.h"
#include "Result.h"

namespace comlib {

HRESULT MessagePumpingWait(DWORD timeoutMs, HANDLE handle) noexcept {
  Machine& machine = CurrentMachine();
  DWORD remaining = timeoutMs;
  const DWORD count = handle ? 1 : 0;
  for (;;) {
    const DWORD before = machine.TickCount();
    const DWORD result = machine.MsgWait(count, handle ? &handle : nullptr, remaining);
    const DWORD after = machine.TickCount();
    if (result == WAIT_FAILED) {
      const DWORD error = ::GetLastError();
      return error > 0 ? HRESULT_FROM_WIN32(error) : static_cast<HRESULT>(error);
    }
    if (handle && result == WAIT_OBJECT_0) return S_OK;
    if (result == WAIT_TIMEOUT) return S_FALSE;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    // Unsigned difference: right across the tick counter's wrap. No limit
    // stays no limit.
    if (remaining != INFINITE) {
      const DWORD spent = after - before;
      remaining = spent >= remaining ? 0 : remaining - spent;
    }
  }
}

HRESULT BlockingWaitShowingBusy(HANDLE handle, DWORD showBusyAfterMs) noexcept {
  Machine& machine = CurrentMachine();
  DWORD result = machine.Wait(handle, showBusyAfterMs);
  if (result == WAIT_TIMEOUT) {
    const HCURSOR before = machine.SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    result = machine.Wait(handle, INFINITE);
    machine.SetCursor(before);
  }
  if (result == WAIT_OBJECT_0) return S_OK;
  if (result == WAIT_FAILED) return LastErrorStatus();
  return E_FAIL;
}

}  // namespace comlib
