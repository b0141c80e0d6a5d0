#pragma once
// A status as people read it, for messages and reports.
#include <windows.h>

#include <string>

namespace comlib {

// "Disk full. (0x80070070)": the system's text without its line break, then
// the status in hex; "error 0x8BADF00D" when the system has no text.
std::wstring StatusText(HRESULT status);

}  // namespace comlib
