#include "Machine.h"

#include <shlobj.h>

#include "ComPtr.h"

namespace comlib {
namespace {

class PlatformMachine final : public Machine {
 public:
  int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption,
                     UINT type) override {
    // A box without owner would leave the wizard usable behind it and open
    // wherever the system likes: it belongs to the window the person uses.
    if (!owner) owner = ::GetActiveWindow();
    return ::MessageBoxW(owner, text, caption, type);
  }

  bool BrowseForFolder(const wchar_t* title, std::wstring* path) override {
    BROWSEINFOW info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = nullptr;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
    if (!item) return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool ok = ::SHGetPathFromIDListW(item, buffer) != FALSE;
    ComPtr<IMalloc> shellMalloc;
    if (SUCCEEDED(::SHGetMalloc(shellMalloc.Put())))
      shellMalloc->Free(item);
    if (!ok) return false;
    try {
      path->assign(buffer);
    } catch (...) {
      return false;
    }
    return true;
  }

  UINT TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) override {
    return static_cast<UINT>(::TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr));
  }

  DWORD MsgWait(DWORD count, const HANDLE* handles, DWORD timeoutMs) override {
    return ::MsgWaitForMultipleObjectsEx(count, handles, timeoutMs, QS_ALLINPUT,
                                         MWMO_INPUTAVAILABLE);
  }

  DWORD Wait(HANDLE handle, DWORD timeoutMs) override {
    return ::WaitForSingleObject(handle, timeoutMs);
  }

  HCURSOR SetCursor(HCURSOR cursor) override {
    const HCURSOR before = ::SetCursor(cursor);
    // Under X the new cursor reaches the screen only when the thread next
    // looks at its queue; a blocking wait after this would never show it.
    // Only sent messages are handled here: no input, nothing posted.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return before;
  }

  DWORD TickCount() override { return ::GetTickCount(); }

  std::wstring ComputerName() override {
    wchar_t buffer[16] = {};
    DWORD size = 16;
    if (!::GetComputerNameW(buffer, &size)) return std::wstring();
    return std::wstring(buffer, size);
  }
};

PlatformMachine g_real;
Machine* g_current = nullptr;

}  // namespace

Machine& CurrentMachine() noexcept { return g_current ? *g_current : g_real; }
void SetMachine(Machine* machine) noexcept { g_current = machine; }

}  // namespace comlib
