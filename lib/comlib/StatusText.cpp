#include "StatusText.h"

#include <cwchar>

#include "Unique.h"

namespace comlib {

std::wstring StatusText(HRESULT status) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const UniqueLocal owner(buffer);
  std::wstring text;
  if (n && buffer) text.assign(buffer, n);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  wchar_t code[16];
  std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(status));
  return text.empty() ? std::wstring(L"error ") + code : text + L" (" + code + L")";
}

}  // namespace comlib
