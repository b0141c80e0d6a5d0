#pragma once
#include <windows.h>

#include <string>

namespace host {

// Saves what the window shows on the screen as a PNG file.
HRESULT SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace host
