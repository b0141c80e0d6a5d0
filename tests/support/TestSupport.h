#pragma once
// Helpers shared by the test programs: a message pump, a temporary folder and
// a machine that answers the module's questions on virtual time.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "comlib/Machine.h"
#include "filetree/FileTree.h"

namespace testing_support {

// Dispatches the thread's messages for about ms milliseconds.
void PumpMessages(DWORD ms = 50);
// Dispatches until done() or the limit passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 5000);

// A folder under the temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }
  // path + L"\\" + relative
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }
  // Makes every folder of the relative path.
  std::wstring MakeDir(const std::wstring& relative) const;
  // Writes UTF-8 text to the relative path, making its folders.
  std::wstring WriteFile(const std::wstring& relative, const std::string& utf8) const;

 private:
  std::wstring path_;
};

using filetree::RemoveTree;
std::string ReadFileUtf8(const std::wstring& path);
bool FileExists(const std::wstring& path);

// A wide text as UTF-8, for test messages and comparisons.
std::string Narrow(const std::wstring& text);

// Checks a tree item's box and makes it current, as a click on its box and
// its name would.
void CheckAndSelect(HWND tree, HTREEITEM item);

// Answers the module's questions without a person, on a virtual clock.
// Message boxes are recorded and answered from a queue (IDOK when empty);
// timed waits without a handle advance the clock at once; waits for a
// handle dispatch real messages until the handle is set.
class FakeMachine : public comlib::Machine {
 public:
  struct Box {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
  };

  FakeMachine();
  ~FakeMachine() override;  // puts the real machine back

  std::vector<Box> boxes;
  std::deque<int> boxAnswers;
  std::deque<std::wstring> folders;  // answers of the folder browser; empty: cancelled
  std::wstring computerName = L"WS7";
  // Decides the popup menu's command; null: nothing chosen.
  std::function<UINT(HMENU menu)> menuChoice;
  POINT menuAt = {-1, -1};  // where the last popup menu opened, screen coordinates
  DWORD clock = 1000;  // virtual milliseconds
  DWORD pausedMs = 0;  // sum of the timed waits that ran on virtual time
  // Longest real time a wait for a handle may take before it counts as hung.
  DWORD hangLimitMs = 20000;
  bool hung = false;

  int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption,
                     UINT type) override;
  bool BrowseForFolder(const wchar_t* title, std::wstring* path) override;
  UINT TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) override;
  DWORD MsgWait(DWORD count, const HANDLE* handles, DWORD timeoutMs) override;
  DWORD Wait(HANDLE handle, DWORD timeoutMs) override;
  HCURSOR SetCursor(HCURSOR cursor) override;
  DWORD TickCount() override;
  std::wstring ComputerName() override;

  // Blocking waits: each with its time limit and the cursor shown while it
  // began. A timed one runs out on virtual time when slowWaits is set, as
  // for work that takes long; otherwise it ends when the handle is set,
  // with no virtual time spent.
  struct BlockingWait {
    DWORD timeoutMs;
    HCURSOR cursor;
  };
  std::vector<BlockingWait> blockingWaits;
  bool slowWaits = false;
  HCURSOR cursor = nullptr;  // the cursor shown
};

}  // namespace testing_support

// Rectangles compare and print in test messages.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
