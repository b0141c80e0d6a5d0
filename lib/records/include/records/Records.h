#pragma once
// The exchange records on the wire: identifier comparison, the clean-up of
// records handed out in task-allocator arrays, and the owners of those
// arrays (comlib::OutArray) for every element kind the session hands out.
#include <windows.h>
#include <oaidl.h>

#include <cstring>
#include <string>
#include <vector>

#include "ZelAbsInterfaces.h"
#include "ZelVumInterfaces.h"
#include "comlib/OutArray.h"

namespace records {

inline bool SameId(const ObjectId& a, const ObjectId& b) noexcept {
  return std::memcmp(&a, &b, sizeof(ObjectId)) == 0;
}
inline bool SameId(const ObjectId& a, const GUID& b) noexcept {
  static_assert(sizeof(ObjectId) == sizeof(GUID), "ObjectId has GUID layout");
  return std::memcmp(&a, &b, sizeof(ObjectId)) == 0;
}

// Frees the three texts of a record and zeroes it.
void ClearBackupItem(BackupItem& record) noexcept;

using BackupItemArray = comlib::OutArray<BackupItem, ClearBackupItem>;
using TextArray = comlib::BstrOutArray;
using IdArray = comlib::PlainOutArray<ObjectId>;
using ValueArray = comlib::PlainOutArray<LONG>;

// A text of the session, a missing one read as empty.
inline std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }
std::vector<std::wstring> Texts(const TextArray& texts);

}  // namespace records
