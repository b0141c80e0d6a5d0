#include "ConsoleText.h"

#include "Utf8.h"

namespace comlib {

void WriteText(DWORD stdHandle, const std::wstring& text) {
  const HANDLE out = ::GetStdHandle(stdHandle);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0, written = 0;
  if (::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string utf8 = ToUtf8(text);
  ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace comlib
