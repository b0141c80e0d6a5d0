#include "Unique.h"

#include <new>

namespace comlib {

BSTR CopyBstr(BSTR s) {
  if (!s) return nullptr;
  BSTR copy = ::SysAllocStringLen(s, ::SysStringLen(s));
  if (!copy) throw std::bad_alloc();
  return copy;
}

BSTR MakeBstr(const wchar_t* s, size_t len) {
  BSTR copy = ::SysAllocStringLen(s, static_cast<UINT>(len));
  if (!copy) throw std::bad_alloc();
  return copy;
}

}  // namespace comlib
