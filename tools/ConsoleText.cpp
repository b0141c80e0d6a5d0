#include "ConsoleText.h"

void WriteText(DWORD stdHandle, const std::wstring& text) {
  const HANDLE out = ::GetStdHandle(stdHandle);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0, written = 0;
  if (::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr, nullptr);
  ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
