#pragma once
#include <windows.h>

#include <string>

namespace comlib {

// Writes to a console as wide text, to a file or pipe as UTF-8.
void WriteText(DWORD stdHandle, const std::wstring& text);

}  // namespace comlib
