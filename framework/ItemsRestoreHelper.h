#pragma once
// Reference service helper whose backup items are the files of the service's
// backup folder and whose arguments are edited by the reference argument
// editor. It only describes the backup; restoring is left to other helpers.
#include <windows.h>

#include <string>
#include <vector>

#include "ZelFramework.h"
#include "records/OwnedRecords.h"
#include "comlib/ComObject.h"

namespace zel {

extern const CLSID CLSID_ZelItemsRestoreHelper;

// The files below folder as items, ordered by relative path: name = relative
// path, description = size text, details = full path, value = a hash of the
// relative path that stays the same when other files come or go. Links to
// folders are not followed. Throws std::bad_alloc.
std::vector<records::OwnedBackupItem> FolderItems(const std::wstring& folder);

class CZelItemsRestoreHelper : public comlib::ComObject<CZelItemsRestoreHelper>,
                               public IServiceRestoreHelper {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  STDMETHODIMP Initialize(IZelServiceBinding* binding, BSTR backupPath) noexcept override;
  STDMETHODIMP GetArgumentEditor(CLSID* editorClsid) noexcept override;
  STDMETHODIMP GetBackupItems(ULONG* count, BackupItem** items) noexcept override;
  STDMETHODIMP StartRestore(ULONG count, BackupItem* items, ServiceArguments arguments,
                            IZelServiceRestoreCallbacks* callbacks) noexcept override;
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() noexcept override { return E_NOTIMPL; }

 private:
  std::wstring backupPath_;
};

}  // namespace zel
