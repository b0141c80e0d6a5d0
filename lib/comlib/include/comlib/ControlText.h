#pragma once
// The texts that windows and common controls show, read whole: a control
// answers only what fits the buffer it is given, so these grow until it fits.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace comlib {

std::wstring WindowText(HWND window);
// A list view cell; empty when there is none.
std::wstring ListItemText(HWND list, int row, int column = 0);
// The cells of one column, row by row.
std::vector<std::wstring> ListTexts(HWND list, int column = 0);
// A tree view item's label; empty when there is none.
std::wstring TreeItemText(HWND tree, HTREEITEM item);

}  // namespace comlib
