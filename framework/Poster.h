#pragma once
// Runs work later on the thread that made the poster, from a posted message,
// so that the framework's callbacks reach a caller inside its message loop.
#include <windows.h>

#include <deque>
#include <functional>

namespace zel {

class Poster {
 public:
  Poster() noexcept = default;
  ~Poster();
  Poster(const Poster&) = delete;
  Poster& operator=(const Poster&) = delete;

  // False when no window could be made for it.
  bool Post(std::function<void()> work);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  std::deque<std::function<void()>> work_;
};

}  // namespace zel
