#include "TestSupport.h"

#include <shlobj.h>

#include "comlib/Utf8.h"
#include "comlib/WholeFile.h"

#include <cstdio>
#include <utility>

namespace testing_support {

void PumpMessages(DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (::GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > limitMs) return false;
    PumpMessages(10);
  }
  return true;
}

std::string Narrow(const std::wstring& text) { return comlib::ToUtf8(text); }

void CheckAndSelect(HWND tree, HTREEITEM item) {
  TVITEMW check = {};
  check.mask = TVIF_STATE | TVIF_HANDLE;
  check.hItem = item;
  check.state = INDEXTOSTATEIMAGEMASK(2);
  check.stateMask = TVIS_STATEIMAGEMASK;
  ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&check));
  ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  GUID g;
  ::CoCreateGuid(&g);
  wchar_t name[64];
  swprintf(name, 64, L"rt%08lx%04x", static_cast<unsigned long>(g.Data1), g.Data2);
  path_ = std::wstring(base) + name;
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring TempDir::MakeDir(const std::wstring& relative) const {
  std::wstring full = path_;
  size_t pos = 0;
  while (pos <= relative.size()) {
    size_t next = relative.find(L'\\', pos);
    if (next == std::wstring::npos) next = relative.size();
    full += L"\\" + relative.substr(pos, next - pos);
    ::CreateDirectoryW(full.c_str(), nullptr);
    pos = next + 1;
  }
  return full;
}

std::wstring TempDir::WriteFile(const std::wstring& relative, const std::string& utf8) const {
  const size_t slash = relative.rfind(L'\\');
  if (slash != std::wstring::npos) MakeDir(relative.substr(0, slash));
  const std::wstring full = path_ + L"\\" + relative;
  comlib::WriteWholeFile(full, utf8);
  return full;
}

std::string ReadFileUtf8(const std::wstring& path) { return comlib::ReadWholeFile(path); }

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

FakeMachine::FakeMachine() { comlib::SetMachine(this); }
FakeMachine::~FakeMachine() { comlib::SetMachine(nullptr); }

int FakeMachine::ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption,
                                UINT type) {
  boxes.push_back({owner, text ? text : L"", caption ? caption : L"", type});
  if (boxAnswers.empty()) return IDOK;
  const int answer = boxAnswers.front();
  boxAnswers.pop_front();
  return answer;
}

bool FakeMachine::BrowseForFolder(const wchar_t*, std::wstring* path) {
  if (folders.empty()) return false;
  *path = folders.front();
  folders.pop_front();
  return true;
}

UINT FakeMachine::TrackPopupMenu(HMENU menu, UINT, int x, int y, HWND) {
  menuAt = {x, y};
  return menuChoice ? menuChoice(menu) : 0;
}

DWORD FakeMachine::MsgWait(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
  if (count == 0 || timeoutMs != INFINITE) {
    // Input already queued is served as on a real machine.
    const DWORD now = ::MsgWaitForMultipleObjectsEx(count, handles, 0, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
    if (now != WAIT_TIMEOUT) return now;
    clock += timeoutMs;
    pausedMs += timeoutMs;
    return WAIT_TIMEOUT;
  }
  const DWORD result = ::MsgWaitForMultipleObjectsEx(count, handles, hangLimitMs, QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
  if (result == WAIT_TIMEOUT) {
    hung = true;
    return WAIT_FAILED;  // ends a wait that would otherwise never end
  }
  return result;
}

DWORD FakeMachine::Wait(HANDLE handle, DWORD timeoutMs) {
  blockingWaits.push_back({timeoutMs, cursor});
  if (timeoutMs != INFINITE && slowWaits) {
    clock += timeoutMs;
    pausedMs += timeoutMs;
    return WAIT_TIMEOUT;
  }
  const DWORD result = ::WaitForSingleObject(handle, hangLimitMs);
  if (result == WAIT_TIMEOUT) {
    hung = true;
    return WAIT_FAILED;
  }
  return result;
}

HCURSOR FakeMachine::SetCursor(HCURSOR shown) { return std::exchange(cursor, shown); }

DWORD FakeMachine::TickCount() { return clock; }

std::wstring FakeMachine::ComputerName() { return computerName; }

}  // namespace testing_support
