#include "selection/BackupTree.h"

#include <vector>

namespace selection {

namespace {

// Inserts the rows; a row's parent row comes before it.
void AddBackupItems(HWND tree, BackupNodes* catalogue, const std::vector<BackupNodes::TreeRow>& rows) {
  std::vector<HTREEITEM> items(rows.size(), nullptr);
  for (size_t i = 0; i < rows.size(); ++i) {
    const BackupNodes::TreeRow& row = rows[i];
    const HTREEITEM parent = row.parentRow == BackupNodes::kNoRow ? TVI_ROOT : items[row.parentRow];
    // A parent that could not be inserted takes its subtree with it.
    if (!parent) continue;
    BackupNode& entry = catalogue->entries[row.entry];
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(entry.name.c_str());
    // The item carries its entry's position: finding the entry of an item
    // costs nothing, however long the chain walked up from the selection.
    insert.item.lParam = static_cast<LPARAM>(row.entry);
    items[i] = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    // Each entry keeps its own item, also where ids repeat: giving every
    // entry of an id the last item would leave the earlier ones unselectable.
    entry.treeItem = items[i];
  }
}

}  // namespace

void FillBackupTree(HWND tree, BackupNodes* catalogue) {
  ::SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  for (BackupNode& entry : catalogue->entries) entry.treeItem = nullptr;
  // One layout and paint for the whole tree instead of one per item.
  ::SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  AddBackupItems(tree, catalogue, catalogue->DependencyTree());
  ::SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(tree, nullptr, TRUE);
}

bool EntryOfItem(HWND tree, const BackupNodes& catalogue, HTREEITEM item, size_t* position) noexcept {
  if (!item) return false;
  TVITEMW data = {};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return false;
  const size_t at = static_cast<size_t>(data.lParam);
  if (at >= catalogue.entries.size() || catalogue.entries[at].treeItem != item) return false;
  *position = at;
  return true;
}

}  // namespace selection
