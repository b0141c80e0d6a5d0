#pragma once
// The Details command of the restore selection page: the service's helper
// lists the items of its backup and names its argument editor, the details
// dialog lets the user choose, and only OK writes the choice back.
#include <windows.h>
#include <commctrl.h>

#include "catalogue/BackupNodes.h"

namespace selection {

// Runs the details dialog for one service. On OK replaces the service's
// items, selection values and arguments; its check mark is never touched.
// S_OK after OK, S_FALSE after Cancel or when the dialog cannot run, the
// creation status when the helper cannot be created.
HRESULT RunServiceDetails(ServiceEntry& service) noexcept;

// The service shown by serviceItem among the services of the backup that
// backupItem shows; null when either is missing.
ServiceEntry* FindService(BackupNodes& catalogue, HTREEITEM backupItem, HTREEITEM serviceItem);

// The page's Details command: the current service of the services list, if any.
HRESULT RunServiceDetails(BackupNodes& catalogue, HWND backupTree, HWND servicesList) noexcept;

}  // namespace selection
