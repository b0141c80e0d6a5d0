#pragma once
// Page 1's backup tree: the catalogue's dependency tree put into a tree view,
// and the way back from an item to its catalogue entry.
#include <windows.h>
#include <commctrl.h>

#include "catalogue/BackupNodes.h"

namespace selection {

// Empties the tree and inserts the catalogue's dependency tree, parents
// first, siblings in catalogue order; every shown entry records its own item
// and every other entry none.
void FillBackupTree(HWND tree, BackupNodes* catalogue);

// The position of the entry the item shows; false when the item shows none
// (or belongs to an earlier fill).
bool EntryOfItem(HWND tree, const BackupNodes& catalogue, HTREEITEM item, size_t* position) noexcept;

}  // namespace selection
