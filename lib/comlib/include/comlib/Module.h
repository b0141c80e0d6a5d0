#pragma once
#include <windows.h>

namespace comlib {

// The module's instance handle (where resources live) and its count of live
// objects and server locks, which DllCanUnloadNow reads.
class Module {
 public:
  static HINSTANCE Instance() noexcept;
  static void SetInstance(HINSTANCE instance) noexcept;
  static void Lock() noexcept;
  static void Unlock() noexcept;
  static LONG LockCount() noexcept;
  // Full path of the module file.
  static bool Path(wchar_t* buffer, DWORD size) noexcept;
};

}  // namespace comlib
