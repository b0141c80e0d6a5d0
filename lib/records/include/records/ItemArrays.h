#pragma once
// Moving backup items and selection values across interfaces: owned lists on
// our side, task-allocator arrays on the wire.
#include <windows.h>

#include <vector>

#include "records/OwnedRecords.h"
#include "records/Records.h"

namespace records {

// Fresh records of the items, texts duplicated, freed with the array unless
// released to a receiver. Throws std::bad_alloc.
BackupItemArray CopyItemRecords(const std::vector<OwnedBackupItem>& items);

// Copies of count records the caller keeps; null gives none. Throws std::bad_alloc.
std::vector<OwnedBackupItem> CopyItems(ULONG count, const BackupItem* records);

// Takes over an array handed out to us: copies its items, then frees the
// texts and the block, also when copying fails. Throws std::bad_alloc.
std::vector<OwnedBackupItem> AdoptItemRecords(ULONG count, BackupItem* records);

// The same for an array of 32-bit values.
std::vector<LONG> AdoptValues(ULONG count, LONG* values);

}  // namespace records
