#pragma once
// Owned copies of the framework's exchange records, and the clean-up of
// records handed out in task-allocator arrays.
#include <windows.h>
#include <oaidl.h>

#include <cstring>
#include <vector>

#include "RestorePlugIn.h"
#include "comlib/Bstr.h"
#include "comlib/OutArray.h"

namespace session {

inline bool SameId(const ObjectId& a, const ObjectId& b) noexcept {
  return std::memcmp(&a, &b, sizeof(ObjectId)) == 0;
}
inline bool SameId(const ObjectId& a, const GUID& b) noexcept {
  static_assert(sizeof(ObjectId) == sizeof(GUID), "ObjectId has GUID layout");
  return std::memcmp(&a, &b, sizeof(ObjectId)) == 0;
}

// One BackupItem with its own three texts; the identifier block and the
// value are taken byte for byte.
struct OwnedBackupItem {
  comlib::Bstr name;
  comlib::Bstr description;
  unsigned char identifier[32] = {};
  long value = 0;
  comlib::Bstr details;

  static OwnedBackupItem From(const BackupItem& item);  // throws std::bad_alloc
  // Fresh texts into a zero-filled record; throws std::bad_alloc with the
  // record left cleared.
  void CopyTo(BackupItem* out) const;
};

// Frees the texts of a handed-out item and zeroes it.
void ClearBackupItem(BackupItem& item) noexcept;
using BackupItemOutArray = comlib::OutArray<BackupItem, ClearBackupItem>;

// Frees the texts and the backupItem array of a handed-out service record;
// the arguments block is not the record's.
void ClearServiceNode(ServiceNodeStructure& node) noexcept;
using ServiceNodeOutArray = comlib::OutArray<ServiceNodeStructure, ClearServiceNode>;

}  // namespace session
