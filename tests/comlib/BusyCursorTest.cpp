// The wait cursor of a blocking wait with the real machine, read back from
// the window system while the thread is blocked. The X server's own picture
// is checked by busy_cursor_on_screen.sh, which runs this test beside an
// XFixes watcher and moves the pointer over the window when told.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "TestSupport.h"
#include "comlib/PumpingWait.h"
#include "comlib/Unique.h"

namespace {

double UnixSeconds() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

struct Watch {
  HANDLE done;
  DWORD blockedThread;
  HCURSOR seen;
};

DWORD WINAPI ReadCursorThenRelease(void* param) {
  auto* watch = static_cast<Watch*>(param);
  ::Sleep(600);
  // Sharing the blocked thread's input state reads its cursor, whichever
  // window is in front.
  if (::AttachThreadInput(::GetCurrentThreadId(), watch->blockedThread, TRUE)) {
    watch->seen = ::GetCursor();
    ::AttachThreadInput(::GetCurrentThreadId(), watch->blockedThread, FALSE);
  }
  ::Sleep(900);  // long enough for the screen watcher to look
  ::SetEvent(watch->done);
  return 0;
}

TEST(BusyCursor, ShowsWhileTheThreadIsBlocked) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"BusyCursorTest";
  ::RegisterClassW(&wc);
  // Where the script puts the pointer: 400,300 on the screen.
  comlib::UniqueHwnd window(::CreateWindowExW(0, wc.lpszClassName, L"busy", WS_POPUP | WS_VISIBLE, 100, 100,
                                              600, 400, nullptr, nullptr, wc.hInstance, nullptr));
  ASSERT_TRUE(window);
  ::SetForegroundWindow(window.get());
  std::printf("window ready\n");
  std::fflush(stdout);
  // The pointer arrives and the arrow shows, as it would before a search.
  testing_support::PumpMessages(1500);

  comlib::UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Watch watch = {done.get(), ::GetCurrentThreadId(), nullptr};
  comlib::UniqueHandle thread(::CreateThread(nullptr, 0, ReadCursorThenRelease, &watch, 0, nullptr));
  ASSERT_TRUE(thread);
  std::printf("busy from %.2f\n", UnixSeconds());
  EXPECT_EQ(S_OK, comlib::BlockingWaitShowingBusy(done.get(), 100));
  std::printf("busy until %.2f\n", UnixSeconds());
  std::fflush(stdout);
  ::WaitForSingleObject(thread.get(), INFINITE);
  EXPECT_EQ(::LoadCursorW(nullptr, IDC_WAIT), watch.seen);
  testing_support::PumpMessages(300);
}

}  // namespace
