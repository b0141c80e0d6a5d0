#include "DialogDriver.h"

#include <gtest/gtest.h>

#include <string>

namespace testing_support {
namespace {

DialogDriver* g_driver = nullptr;
// Longer than any drive's own pumping, far shorter than a hung run.
constexpr DWORD kCloseLimitMs = 5000;

}  // namespace

DialogDriver::DialogDriver(std::function<void(HWND)> drive, const wchar_t* caption)
    : drive_(std::move(drive)), caption_(caption) {
  g_driver = this;
  hook_.reset(::SetWindowsHookExW(WH_CBT, &DialogDriver::Hook, nullptr, ::GetCurrentThreadId()));
}

DialogDriver::~DialogDriver() {
  hook_.reset();
  StopTimer();
  g_driver = nullptr;
}

void DialogDriver::StopTimer() {
  if (timer_) ::KillTimer(nullptr, timer_);
  timer_ = 0;
}

LRESULT CALLBACK DialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_driver && !g_driver->dialog_) {
    HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    wchar_t caption[256] = {};
    ::GetWindowTextW(window, caption, 256);
    if (std::wstring(name) == L"#32770" &&
        (!g_driver->caption_ || std::wstring(caption) == g_driver->caption_)) {
      g_driver->dialog_ = window;
      // Runs from the dialog's own modal loop once it is up.
      g_driver->timer_ = ::SetTimer(nullptr, 0, 10, &DialogDriver::Timer);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogDriver::Timer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_driver) g_driver->Tick();
}

void DialogDriver::Tick() {
  if (driving_) return;  // a tick from a loop that drive itself runs
  if (!ran_) {
    // A modal loop shows its dialog when it first runs out of messages; a
    // busy machine can let the timer come first.
    if (!::IsWindowVisible(dialog_)) return;
    ran_ = true;
    driving_ = true;
    drive_(dialog_);
    driving_ = false;
    drivenAt_ = ::GetTickCount();
    return;
  }
  if (!::IsWindow(dialog_)) {
    StopTimer();
    return;
  }
  if (::GetTickCount() - drivenAt_ > kCloseLimitMs) {
    ADD_FAILURE() << "the dialog stayed open after it was driven";
    StopTimer();
    ::EndDialog(dialog_, IDCANCEL);
  }
}

}  // namespace testing_support
