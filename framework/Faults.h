#pragma once
// Faults the reference framework can be told to show, for tests of its
// callers: values under HKEY_LOCAL_MACHINE\Software\Ondrel\ZelFramework\Faults,
// read when an object is created.
//   "Warning", "Error" (text): answered by GetWarning / GetError
//   "NotReady" (DWORD 1): IsReadyToRestore answers 0
//   "StartFails" (DWORD 1): Start fails
//   "StartRestoreFailures" (DWORD n): each helper fails its first n starts
//   "CompleteInsideStart" (DWORD 1): ends are announced inside the start call
//   "NoKeyPath" (DWORD 1): the settings answer an empty key path
#include <windows.h>

#include <string>

namespace zel {

extern const wchar_t kFaultsKey[];

struct Faults {
  std::wstring warning;
  std::wstring error;
  bool notReady = false;
  bool startFails = false;
  DWORD startRestoreFailures = 0;
  bool completeInsideStart = false;
  bool noKeyPath = false;

  static Faults Read();
};

}  // namespace zel
