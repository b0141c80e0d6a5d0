#pragma once
// Drives a modal dialog from inside its own modal loop, as a person would.
#include <windows.h>

#include <functional>

#include "comlib/Unique.h"

namespace testing_support {

// Runs `drive` once on the next dialog box that becomes active on this
// thread (with this caption, when one is given), from inside its modal loop
// once the dialog is shown.
// Construct it before the code that opens the dialog. A dialog still open
// a few seconds after `drive` returned fails the test and is cancelled, so
// that a broken drive cannot hang the run.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND dialog)> drive, const wchar_t* caption = nullptr);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;
  bool ran() const { return ran_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Timer(HWND, UINT, UINT_PTR, DWORD);
  void Tick();
  void StopTimer();

  std::function<void(HWND)> drive_;
  const wchar_t* caption_;
  comlib::UniqueHhook hook_;
  HWND dialog_ = nullptr;
  UINT_PTR timer_ = 0;
  bool ran_ = false;
  bool driving_ = false;
  DWORD drivenAt_ = 0;
};

}  // namespace testing_support
