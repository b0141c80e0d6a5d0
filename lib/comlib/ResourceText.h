#pragma once
#include <windows.h>

#include "Bstr.h"

namespace comlib {

// A string of the module's string table; throws std::bad_alloc. A missing
// string is an empty text.
Bstr LoadText(UINT id);

}  // namespace comlib
