#include "PumpingWait.h"

#include "Machine.h"
#include "Result.h"

namespace comlib {
namespace {

// A WM_QUIT taken from the queue while waiting belongs to the host's own
// message loop: it is put back, with its exit code, once the wait is over.
class HeldQuit {
 public:
  HeldQuit() = default;
  HeldQuit(const HeldQuit&) = delete;
  HeldQuit& operator=(const HeldQuit&) = delete;
  ~HeldQuit() {
    if (held_) ::PostQuitMessage(static_cast<int>(exitCode_));
  }
  void Hold(WPARAM exitCode) noexcept {
    held_ = true;
    exitCode_ = exitCode;
  }

 private:
  bool held_ = false;
  WPARAM exitCode_ = 0;
};

}  // namespace

HRESULT MessagePumpingWait(DWORD timeoutMs, HANDLE handle) noexcept {
  Machine& machine = CurrentMachine();
  HeldQuit quit;
  DWORD remaining = timeoutMs;
  const DWORD count = handle ? 1 : 0;
  for (;;) {
    const DWORD before = machine.TickCount();
    const DWORD result = machine.MsgWait(count, handle ? &handle : nullptr, remaining);
    const DWORD error = result == WAIT_FAILED ? ::GetLastError() : ERROR_SUCCESS;
    const DWORD after = machine.TickCount();
    // A failure without an error code must still read as a failure, never
    // as "the handle was set".
    if (result == WAIT_FAILED) return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    if (handle && result == WAIT_OBJECT_0) return S_OK;
    if (result == WAIT_TIMEOUT) return S_FALSE;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit.Hold(msg.wParam);
        continue;
      }
      ::DispatchMessageW(&msg);
    }
    // Unsigned difference: right across the tick counter's wrap. No limit
    // stays no limit.
    if (remaining != INFINITE) {
      const DWORD spent = after - before;
      remaining = spent >= remaining ? 0 : remaining - spent;
    }
  }
}

HRESULT BlockingWaitShowingBusy(HANDLE handle, DWORD showBusyAfterMs) noexcept {
  return BusyWait(showBusyAfterMs).Wait(handle);
}

BusyWait::BusyWait(DWORD showBusyAfterMs) noexcept
    : showBusyAfterMs_(showBusyAfterMs), start_(CurrentMachine().TickCount()) {}

BusyWait::~BusyWait() {
  if (busy_) CurrentMachine().SetCursor(before_);
}

HRESULT BusyWait::Wait(HANDLE handle) noexcept {
  Machine& machine = CurrentMachine();
  DWORD result = WAIT_TIMEOUT;
  if (!busy_) {
    const DWORD waited = machine.TickCount() - start_;
    result = machine.Wait(handle, waited < showBusyAfterMs_ ? showBusyAfterMs_ - waited : 0);
    if (result == WAIT_TIMEOUT) {
      before_ = machine.SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
      busy_ = true;
    }
  }
  if (busy_ && result == WAIT_TIMEOUT) result = machine.Wait(handle, INFINITE);
  if (result == WAIT_OBJECT_0) return S_OK;
  if (result == WAIT_FAILED) return LastErrorStatus();
  return E_FAIL;
}

}  // namespace comlib
