#include "Poster.h"

namespace zel {

namespace {
const UINT kRunWork = WM_APP + 17;
}

Poster::~Poster() {
  if (window_) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

bool Poster::Post(std::function<void()> work) {
  if (!window_) {
    // A system class, so that no class of this module outlives it.
    window_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr);
    if (!window_) return false;
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Poster::Procedure));
  }
  work_.push_back(std::move(work));
  if (!::PostMessageW(window_, kRunWork, 0, 0)) {
    work_.pop_back();
    return false;
  }
  return true;
}

LRESULT CALLBACK Poster::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunWork) {
    auto* self = reinterpret_cast<Poster*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->work_.empty()) return 0;
    std::function<void()> work = std::move(self->work_.front());
    self->work_.pop_front();
    // The work may release the last reference to the poster's owner.
    try {
      work();
    } catch (...) {
    }
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace zel
