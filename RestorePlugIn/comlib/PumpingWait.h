#pragma once
#include <windows.h>

namespace comlib {

// Waits for the handle (or, without one, pauses) for at most timeoutMs
// milliseconds (INFINITE: no limit) while dispatching the thread's window
// messages, so the host stays responsive and callbacks posted to this thread
// arrive. 0: the handle was set; 1: the time passed; otherwise the failure
// status of the wait. Only time spent inside the wait counts.
HRESULT MessagePumpingWait(DWORD timeoutMs, HANDLE handle) noexcept;

}  // namespace comlib
