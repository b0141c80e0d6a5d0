#include "SessionData.h"

BstrArray::~BstrArray() {
  if (items) {
    for (ULONG i = 0; i < count; ++i) ::SysFreeString(items[i]);
  }
  ::CoTaskMemFree(items);
}

RestoreNodeData::~RestoreNodeData() {
  if (services) {
    for (ULONG s = 0; s < serviceCount; ++s) {
      ServiceNodeStructure& service = services[s];
      ::SysFreeString(service.name);
      ::SysFreeString(service.backupPath);
      if (service.backupItem) {
        for (ULONG i = 0; i < service.count; ++i) {
          ::SysFreeString(service.backupItem[i].name);
          ::SysFreeString(service.backupItem[i].description);
          ::SysFreeString(service.backupItem[i].details);
        }
      }
      ::CoTaskMemFree(service.backupItem);
      // The arguments block stays its producer's.
    }
  }
  ::CoTaskMemFree(services);
  ::SysFreeString(backupName);
  ::SysFreeString(backupPath);
}

HRESULT RestoreNodeData::Read(IRestoreModule* session) noexcept {
  if (!session) return E_POINTER;
  return session->GetRestoreNode(&nodeNames.count, &nodeNames.items, &serviceCount, &services,
                                 &backupName, &backupPath);
}
