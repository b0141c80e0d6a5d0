#include <windows.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "comlib/Machine.h"
#include "comlib/PumpingWait.h"
#include "comlib/Unique.h"

namespace {

using testing_support::FakeMachine;

// A machine whose waits take scripted amounts of virtual time.
class ScriptedMachine : public FakeMachine {
 public:
  struct Step {
    DWORD result;
    DWORD elapsed;
  };
  std::vector<Step> steps;
  std::vector<DWORD> limits;  // the time limit each wait was given
  size_t next = 0;
  DWORD MsgWait(DWORD, const HANDLE*, DWORD timeoutMs) override {
    limits.push_back(timeoutMs);
    const Step step = next < steps.size() ? steps[next++] : Step{WAIT_TIMEOUT, timeoutMs};
    clock += step.elapsed;
    return step.result;
  }
};

TEST(MessagePumpingWait, PauseWithoutHandleRunsOnVirtualTime) {
  FakeMachine machine;
  EXPECT_EQ(S_FALSE, comlib::MessagePumpingWait(60000, nullptr));
  EXPECT_EQ(60000u, machine.pausedMs);
}

TEST(MessagePumpingWait, OnlyTimeInsideTheWaitCountsAgainstTheLimit) {
  ScriptedMachine machine;
  // Input after 4 s, then after 5 s more, then the rest runs out.
  machine.steps = {{WAIT_OBJECT_0, 4000}, {WAIT_OBJECT_0, 5000}};
  EXPECT_EQ(S_FALSE, comlib::MessagePumpingWait(10000, nullptr));
  ASSERT_EQ(3u, machine.limits.size());
  EXPECT_EQ(10000u, machine.limits[0]);
  EXPECT_EQ(6000u, machine.limits[1]);
  EXPECT_EQ(1000u, machine.limits[2]);
}

TEST(MessagePumpingWait, SpentTimeBeyondTheLimitLeavesZeroAndNoLimitStaysUnlimited) {
  ScriptedMachine machine;
  machine.steps = {{WAIT_OBJECT_0, 7000}};
  EXPECT_EQ(S_FALSE, comlib::MessagePumpingWait(5000, nullptr));
  ASSERT_EQ(2u, machine.limits.size());
  EXPECT_EQ(0u, machine.limits[1]);

  ScriptedMachine unlimited;
  comlib::UniqueHandle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  unlimited.steps = {{WAIT_OBJECT_0 + 1, 3000}, {WAIT_OBJECT_0, 10}};
  EXPECT_EQ(S_OK, comlib::MessagePumpingWait(INFINITE, event.get()));
  ASSERT_EQ(2u, unlimited.limits.size());
  EXPECT_EQ(INFINITE, unlimited.limits[1]);
}

TEST(MessagePumpingWait, TickCounterWrapDoesNotEndThePauseEarly) {
  ScriptedMachine machine;
  machine.clock = 0xFFFFF000u;  // wraps 4096 ms into the wait
  machine.steps = {{WAIT_OBJECT_0, 5000}};
  EXPECT_EQ(S_FALSE, comlib::MessagePumpingWait(60000, nullptr));
  ASSERT_EQ(2u, machine.limits.size());
  EXPECT_EQ(55000u, machine.limits[1]);
}

TEST(MessagePumpingWait, FailedWaitReturnsTheLastErrorAsStatus) {
  ScriptedMachine machine;
  machine.steps = {{WAIT_FAILED, 0}};
  ::SetLastError(ERROR_INVALID_HANDLE);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE), comlib::MessagePumpingWait(100, nullptr));
}

// A callback posted to this thread sets the event while the wait pumps.
TEST(MessagePumpingWait, DispatchesPostedMessagesUntilTheHandleIsSet) {
  FakeMachine machine;
  comlib::UniqueHandle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  static HANDLE target;
  static int dispatched;
  target = event.get();
  dispatched = 0;
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  ::SetWindowLongPtrW(window, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                        if (m == WM_APP) {
                          ++dispatched;
                          if (w) ::SetEvent(target);
                          return 0;
                        }
                        return ::DefWindowProcW(h, m, w, l);
                      }));
  ::PostMessageW(window, WM_APP, 0, 0);
  ::PostMessageW(window, WM_APP, 1, 0);
  EXPECT_EQ(S_OK, comlib::MessagePumpingWait(INFINITE, event.get()));
  EXPECT_EQ(2, dispatched);
  EXPECT_FALSE(machine.hung);
  ::DestroyWindow(window);
}

}  // namespace
