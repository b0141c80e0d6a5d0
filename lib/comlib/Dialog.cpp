#include "Dialog.h"

#include <algorithm>

#include "Module.h"

namespace comlib {

Dialog::~Dialog() {
  // The derived part is gone: its handlers must not see the last messages.
  if (hwnd_ && !modal_) {
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(hwnd_);
  }
}

INT_PTR Dialog::RunModal(HWND parent, UINT templateId) noexcept {
  modal_ = true;
  const INT_PTR result = ::DialogBoxParamW(Module::Instance(), MAKEINTRESOURCEW(templateId), parent,
                                           &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
  modal_ = false;
  hwnd_ = nullptr;
  return result;
}

HWND Dialog::Create(HWND parent, UINT templateId) noexcept {
  Destroy();
  modal_ = false;
  return ::CreateDialogParamW(Module::Instance(), MAKEINTRESOURCEW(templateId), parent,
                              &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

void Dialog::Destroy() noexcept {
  if (hwnd_ && !modal_) {
    HWND window = hwnd_;
    ::DestroyWindow(window);
    hwnd_ = nullptr;
  }
}

void Dialog::SetMessageResult(LRESULT value) noexcept {
  ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, value);
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = TRUE;
  bool handled = false;
  try {
    handled = self->OnMessage(message, wParam, lParam, &result);
  } catch (...) {
    handled = false;  // nothing escapes into the window manager
  }
  // Before it is shown: a modal dialog opens over the window it belongs to,
  // not where its template's coordinates would put it.
  if (message == WM_INITDIALOG && self->modal_) CenterOverOwner(hwnd);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    if (self->hwnd_ == hwnd) self->hwnd_ = nullptr;
  }
  return handled ? result : FALSE;
}

void CenterOverOwner(HWND window) noexcept {
  RECT own = {};
  ::GetWindowRect(window, &own);
  const HWND owner = ::GetWindow(window, GW_OWNER);
  MONITORINFO monitor = {sizeof monitor};
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT over = monitor.rcWork;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &over);
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  LONG x = over.left + (over.right - over.left - width) / 2;
  LONG y = over.top + (over.bottom - over.top - height) / 2;
  // Whole on the screen, the caption first.
  const RECT& work = monitor.rcWork;
  x = std::max(work.left, std::min(x, work.right - width));
  y = std::max(work.top, std::min(y, work.bottom - height));
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KeepControlParent(WPARAM which, LPARAM styles) noexcept {
  if (which == static_cast<WPARAM>(GWL_EXSTYLE))
    reinterpret_cast<STYLESTRUCT*>(styles)->styleNew |= WS_EX_CONTROLPARENT;
}

}  // namespace comlib
