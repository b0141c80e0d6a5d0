#pragma once
// HRESULT is the error currency; these keep early returns to one line.
#include <windows.h>
#include <new>

#define RETURN_IF_FAILED(expr)                                        \
  do { const HRESULT hr_ = (expr); if (FAILED(hr_)) return hr_; } while (0)
#define RETURN_HR_IF(hr, cond)                                        \
  do { if (cond) return (hr); } while (0)
#define RETURN_HR_IF_NULL(hr, ptr) RETURN_HR_IF(hr, (ptr) == nullptr)
#define RETURN_IF_WIN32_ERROR(expr)                                   \
  do { const LONG e_ = (expr); if (e_ != ERROR_SUCCESS) return HRESULT_FROM_WIN32(e_); } while (0)
// For calls that report through GetLastError: read it right after the call.
#define RETURN_LAST_ERROR_IF(cond)                                    \
  do { if (cond) return ::comlib::LastErrorStatus(); } while (0)

namespace comlib {

// The status of the calling thread's last error, never S_OK.
inline HRESULT LastErrorStatus() noexcept {
  const DWORD e = ::GetLastError();
  return e == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(e);
}

// Runs f at a COM boundary: no exception crosses it.
template <class F>
HRESULT Guard(F&& f, HRESULT onException = E_UNEXPECTED) noexcept {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return onException;
  }
}

}  // namespace comlib
