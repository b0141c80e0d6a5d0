#include "records/ItemArrays.h"

namespace records {

BackupItemArray CopyItemRecords(const std::vector<OwnedBackupItem>& items) {
  BackupItemArray records(items.size());
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
  const BackupItemArray adopted = BackupItemArray::Attach(records, count);
  return CopyItems(adopted.size(), adopted.get());
}

std::vector<LONG> AdoptValues(ULONG count, LONG* values) {
  const ValueArray adopted = ValueArray::Attach(values, count);
  return std::vector<LONG>(adopted.get(), adopted.get() + adopted.size());
}

}  // namespace records
