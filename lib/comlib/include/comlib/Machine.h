#pragma once
// Everything that blocks on a person or depends on the machine goes through
// this one interface, so tests can answer it and run pauses on virtual time.
#include <windows.h>

#include <string>

namespace comlib {

class Machine {
 public:
  virtual ~Machine() = default;

  // MessageBoxW; a box without owner is owned by the thread's active window.
  virtual int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption,
                             UINT type) = 0;
  // The shell's folder browser, no owner, rooted at the desktop, file-system
  // folders only; true and the chosen folder's path when one was chosen and
  // has a path.
  virtual bool BrowseForFolder(const wchar_t* title, std::wstring* path) = 0;
  // TrackPopupMenu with TPM_RETURNCMD among the flags: the chosen command or 0.
  virtual UINT TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) = 0;
  // MsgWaitForMultipleObjectsEx over count handles (0 or 1), waking for any
  // input, including input already seen.
  virtual DWORD MsgWait(DWORD count, const HANDLE* handles, DWORD timeoutMs) = 0;
  // WaitForSingleObject: blocks without dispatching messages.
  virtual DWORD Wait(HANDLE handle, DWORD timeoutMs) = 0;
  // SetCursor, shown at once even when a blocking wait follows: the cursor
  // shown before.
  virtual HCURSOR SetCursor(HCURSOR cursor) = 0;
  // GetTickCount.
  virtual DWORD TickCount() = 0;
  // The NetBIOS computer name; empty when it cannot be read.
  virtual std::wstring ComputerName() = 0;
};

// The machine in use: the real one unless a test installed another.
Machine& CurrentMachine() noexcept;
// Installs a machine (tests); null goes back to the real one.
void SetMachine(Machine* machine) noexcept;

}  // namespace comlib
