#include "Records.h"

namespace session {

OwnedBackupItem OwnedBackupItem::From(const BackupItem& item) {
  OwnedBackupItem copy;
  copy.name = comlib::Bstr::Copy(item.name);
  copy.description = comlib::Bstr::Copy(item.description);
  std::memcpy(copy.identifier, item.identifier, sizeof copy.identifier);
  copy.value = item.value;
  copy.details = comlib::Bstr::Copy(item.details);
  return copy;
}

void OwnedBackupItem::CopyTo(BackupItem* out) const {
  comlib::Bstr n(name), d(description), t(details);
  out->name = n.Detach();
  out->description = d.Detach();
  std::memcpy(out->identifier, identifier, sizeof identifier);
  out->value = value;
  out->details = t.Detach();
}

void ClearBackupItem(BackupItem& item) noexcept {
  ::SysFreeString(item.name);
  ::SysFreeString(item.description);
  ::SysFreeString(item.details);
  item = BackupItem{};
}

void ClearServiceNode(ServiceNodeStructure& node) noexcept {
  ::SysFreeString(node.name);
  ::SysFreeString(node.backupPath);
  if (node.backupItem) {
    for (unsigned long i = 0; i < node.count; ++i) ClearBackupItem(node.backupItem[i]);
    ::CoTaskMemFree(node.backupItem);
  }
  node = ServiceNodeStructure{};
}

}  // namespace session
