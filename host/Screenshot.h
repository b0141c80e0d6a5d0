#pragma once
#include <windows.h>

#include <string>

namespace host {

// Saves what the window shows on the screen as a PNG file; the caller lets
// it paint first.
HRESULT SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace host
