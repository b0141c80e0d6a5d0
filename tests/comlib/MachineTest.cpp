// The real machine's message box, as the module's restore start calls it
// without an owner: it belongs to the window the person works in.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "comlib/Machine.h"
#include "comlib/Unique.h"

namespace {

HWND boxOwner = nullptr;
bool boxSeen = false;

LRESULT CALLBACK AnswerBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    ::GetClassNameW(box, name, 16);
    if (std::wstring(name) == L"#32770" && !boxSeen) {
      boxSeen = true;
      boxOwner = ::GetWindow(box, GW_OWNER);
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(RealMachine, MessageBoxWithoutOwnerBelongsToTheActiveWindow) {
  comlib::UniqueHwnd window(::CreateWindowExW(0, L"STATIC", L"wizard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                              400, 300, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(window);
  ::SetActiveWindow(window.get());
  testing_support::PumpMessages(50);
  ASSERT_EQ(window.get(), ::GetActiveWindow());
  boxSeen = false;
  comlib::SetMachine(nullptr);  // the real one
  comlib::UniqueHhook hook(::SetWindowsHookExW(WH_CBT, AnswerBox, nullptr, ::GetCurrentThreadId()));
  const int answer = comlib::CurrentMachine().ShowMessageBox(nullptr, L"text", L"caption", MB_OK);
  hook.reset();
  EXPECT_EQ(IDOK, answer);
  EXPECT_TRUE(boxSeen);
  EXPECT_EQ(window.get(), boxOwner);
}

}  // namespace
