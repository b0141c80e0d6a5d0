#include "selection/ItemArrays.h"

#include <objbase.h>

namespace selection {

session::BackupItemOutArray CopyItemRecords(const std::vector<OwnedBackupItem>& items) {
  session::BackupItemOutArray records(items.size());
  for (size_t i = 0; i < items.size(); ++i) items[i].CopyTo(&records[i]);
  return records;
}

std::vector<OwnedBackupItem> CopyItems(ULONG count, const BackupItem* records) {
  std::vector<OwnedBackupItem> items;
  if (!records) return items;
  items.reserve(count);
  for (ULONG i = 0; i < count; ++i) items.push_back(OwnedBackupItem::Copy(records[i]));
  return items;
}

std::vector<OwnedBackupItem> AdoptItemRecords(ULONG count, BackupItem* records) {
  struct Release {
    ULONG count;
    BackupItem* records;
    ~Release() {
      if (!records) return;
      for (ULONG i = 0; i < count; ++i) ClearBackupItem(records[i]);
      ::CoTaskMemFree(records);
    }
  } release{count, records};
  return CopyItems(count, records);
}

std::vector<LONG> AdoptValues(ULONG count, LONG* values) {
  comlib::UniqueCoTaskMem<LONG> block(values);
  if (!values) return {};
  return std::vector<LONG>(values, values + count);
}

}  // namespace selection
