#include "ResourceText.h"

#include "Module.h"

namespace comlib {

Bstr LoadText(UINT id) {
  // With a zero length LoadString hands out the resource's own read-only text.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(Module::Instance(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return Bstr(L"");
  return Bstr(text, static_cast<size_t>(length));
}

}  // namespace comlib
