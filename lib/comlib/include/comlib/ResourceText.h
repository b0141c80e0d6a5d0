#pragma once
// The module's string table.
#include <windows.h>

#include <string>

namespace comlib {

// A text of the module's string table; empty when there is none. Throws
// std::bad_alloc.
std::wstring ResourceString(UINT id);

}  // namespace comlib
