#pragma once
#include <windows.h>

namespace comlib {

// Waits for the handle (or, without one, pauses) for at most timeoutMs
// milliseconds (INFINITE: no limit) while dispatching the thread's window
// messages, so the host stays responsive and callbacks posted to this thread
// arrive. 0: the handle was set; 1: the time passed; otherwise the failure
// status of the wait (E_FAIL when the system names no error). Only time
// spent inside the wait counts. A WM_QUIT met on the way is posted again,
// with its exit code, when the wait returns.
HRESULT MessagePumpingWait(DWORD timeoutMs, HANDLE handle) noexcept;

// Waits for the handle without dispatching anything, for a caller that
// must not be re-entered meanwhile. Once the wait has lasted showBusyAfterMs
// milliseconds the wait cursor shows, until the handle is set. S_OK, or the
// failure status of the wait.
HRESULT BlockingWaitShowingBusy(HANDLE handle, DWORD showBusyAfterMs) noexcept;

// The same over many short waits: the wait cursor shows once the waits
// together have lasted showBusyAfterMs since construction, and stays until
// the object goes.
class BusyWait {
 public:
  explicit BusyWait(DWORD showBusyAfterMs) noexcept;
  ~BusyWait();
  BusyWait(const BusyWait&) = delete;
  BusyWait& operator=(const BusyWait&) = delete;
  HRESULT Wait(HANDLE handle) noexcept;

 private:
  DWORD showBusyAfterMs_;
  DWORD start_;
  bool busy_ = false;
  HCURSOR before_ = nullptr;
};

}  // namespace comlib
