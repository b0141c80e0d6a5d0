#include "ResourceText.h"

#include "Module.h"

namespace comlib {

std::wstring ResourceString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size the call points into the resource itself.
  const int length = ::LoadStringW(Module::Instance(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return std::wstring();
  return std::wstring(text, static_cast<size_t>(length));
}

}  // namespace comlib
