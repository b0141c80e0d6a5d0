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
    DWORD error = ERROR_SUCCESS;  // the last error a failed wait leaves
  };
  std::vector<Step> steps;
  std::vector<DWORD> limits;  // the time limit each wait was given
  size_t next = 0;
  DWORD MsgWait(DWORD, const HANDLE*, DWORD timeoutMs) override {
    limits.push_back(timeoutMs);
    const Step step = next < steps.size() ? steps[next++] : Step{WAIT_TIMEOUT, timeoutMs};
    clock += step.elapsed;
    if (step.result == WAIT_FAILED) ::SetLastError(step.error);
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

// A failed wait must never read as "the handle was set", even when the
// system leaves no error code behind.
TEST(MessagePumpingWait, FailedWaitReportsAFailureStatus) {
  struct Case {
    DWORD error;
    HRESULT expected;
  };
  const Case cases[] = {
      {ERROR_INVALID_HANDLE, HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE)},
      {ERROR_ACCESS_DENIED, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
      {ERROR_SUCCESS, E_FAIL},
  };
  comlib::UniqueHandle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  for (const Case& c : cases) {
    for (HANDLE handle : {static_cast<HANDLE>(nullptr), event.get()}) {
      SCOPED_TRACE(testing::Message() << "error " << c.error << (handle ? ", handle" : ", pause"));
      ScriptedMachine machine;
      machine.steps = {{WAIT_FAILED, 0, c.error}};
      EXPECT_EQ(c.expected, comlib::MessagePumpingWait(handle ? INFINITE : 100, handle));
    }
  }
}

// The host's message loop ends on WM_QUIT; a wait that swallowed it would
// leave the host running after it was closed during the wait.
TEST(MessagePumpingWait, QuitMetDuringAPausePostedAgainAfterThePause) {
  ScriptedMachine machine;
  machine.steps = {{WAIT_OBJECT_0, 4000}};  // input after 4 s: the quit
  ::PostQuitMessage(3);
  EXPECT_EQ(S_FALSE, comlib::MessagePumpingWait(10000, nullptr));
  // The pause ran its full length.
  EXPECT_EQ((std::vector<DWORD>{10000, 6000}), machine.limits);
  MSG msg = {};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
  EXPECT_EQ(3u, msg.wParam);
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

// A window whose WM_APP counts and, with wParam 1, sets the event, as a
// callback posted to this thread would.
class PostedCallbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    target = event.get();
    dispatched = 0;
    window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
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
  }
  void TearDown() override { ::DestroyWindow(window); }

  FakeMachine machine;
  comlib::UniqueHandle event{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  HWND window = nullptr;
  static HANDLE target;
  static int dispatched;
};

HANDLE PostedCallbacks::target;
int PostedCallbacks::dispatched;

TEST_F(PostedCallbacks, DispatchedUntilTheHandleIsSet) {
  ::PostMessageW(window, WM_APP, 0, 0);
  ::PostMessageW(window, WM_APP, 1, 0);
  EXPECT_EQ(S_OK, comlib::MessagePumpingWait(INFINITE, event.get()));
  EXPECT_EQ(2, dispatched);
  EXPECT_FALSE(machine.hung);
}

// A quit met while waiting for the handle: the wait goes on until the handle
// is set, then the quit is back in the queue with its exit code, once.
TEST_F(PostedCallbacks, QuitMetWhileWaitingIsPostedAgainWhenTheHandleIsSet) {
  ::PostMessageW(window, WM_APP, 0, 0);
  ::PostQuitMessage(42);
  ::PostMessageW(window, WM_APP, 1, 0);
  EXPECT_EQ(S_OK, comlib::MessagePumpingWait(INFINITE, event.get()));
  EXPECT_EQ(2, dispatched);
  EXPECT_FALSE(machine.hung);
  MSG msg = {};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
  EXPECT_EQ(42u, msg.wParam);
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
