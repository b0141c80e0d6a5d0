#pragma once
// Identifier comparison and the clean-up of exchange records handed out in
// task-allocator arrays; the owned copies are in catalogue/OwnedRecords.h.
#include <windows.h>
#include <oaidl.h>

#include <cstring>
#include <vector>

#include "RestorePlugIn.h"
#include "catalogue/OwnedRecords.h"
#include "comlib/OutArray.h"

namespace session {

inline bool SameId(const ObjectId& a, const ObjectId& b) noexcept {
  return std::memcmp(&a, &b, sizeof(ObjectId)) == 0;
}
inline bool SameId(const ObjectId& a, const GUID& b) noexcept {
  static_assert(sizeof(ObjectId) == sizeof(GUID), "ObjectId has GUID layout");
  return std::memcmp(&a, &b, sizeof(ObjectId)) == 0;
}

using BackupItemOutArray = comlib::OutArray<BackupItem, ClearBackupItem>;

// Frees the texts and the backupItem array of a handed-out service record;
// the arguments block is not the record's.
void ClearServiceNode(ServiceNodeStructure& node) noexcept;
using ServiceNodeOutArray = comlib::OutArray<ServiceNodeStructure, ClearServiceNode>;

}  // namespace session
