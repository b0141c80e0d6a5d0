#include "selection/DetailsCommand.h"

#include <objbase.h>

#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "comlib/Result.h"
#include "records/ItemArrays.h"
#include "selection/Details.h"

namespace selection {

namespace {

// In-process, handler, local or remote servers.
constexpr DWORD kHelperContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

}  // namespace

HRESULT RunServiceDetails(ServiceEntry& service) noexcept {
  return comlib::Guard([&]() -> HRESULT {
    comlib::ComPtr<IServiceRestoreHelper> helper;
    const CLSID helperClass = ToGuid(service.helperId);
    RETURN_IF_FAILED(::CoCreateInstance(helperClass, nullptr, kHelperContext,
                                        __uuidof(IServiceRestoreHelper), helper.PutVoid()));
    // The helper's statuses are not looked at: empty answers give empty lists.
    helper->Initialize(nullptr, service.backupPath.get());
    ULONG count = 0;
    BackupItem* records = nullptr;
    helper->GetBackupItems(&count, &records);
    std::vector<records::OwnedBackupItem> offered = records::AdoptItemRecords(count, records);
    CLSID editor = GUID_NULL;
    helper->GetArgumentEditor(&editor);

    CDetails dialog;
    dialog.SetDetailsData(std::move(offered), service.selectionValues);
    dialog.SetArgumentEditor(editor);
    dialog.SetArguments(service.arguments);
    if (dialog.Run() != IDOK) return S_FALSE;

    std::vector<records::OwnedBackupItem> items;
    std::vector<LONG> values;
    dialog.GetDetailsData(&items, &values);
    records::OwnedArguments arguments = dialog.GetArguments();
    service.items = std::move(items);
    service.selectionValues = std::move(values);
    service.arguments = std::move(arguments);
    return S_OK;
  });
}

ServiceEntry* FindService(BackupNodes& catalogue, HTREEITEM backupItem, HTREEITEM serviceItem) {
  size_t position = 0;
  if (!backupItem || !serviceItem || catalogue.FindByTreeItem(backupItem, &position) != S_OK)
    return nullptr;
  for (ServiceEntry& service : catalogue.entries[position].services)
    if (service.treeItem == serviceItem) return &service;
  return nullptr;
}

HRESULT RunServiceDetails(BackupNodes& catalogue, HWND backupTree, HWND servicesList) noexcept {
  return comlib::Guard([&] {
    ServiceEntry* service = FindService(catalogue, TreeView_GetSelection(backupTree),
                                        TreeView_GetSelection(servicesList));
    return service ? RunServiceDetails(*service) : S_FALSE;
  });
}

}  // namespace selection
