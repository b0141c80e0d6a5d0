#include "nodes/NodeMapping.h"

#include <algorithm>
#include <limits>

namespace nodes {

int CompareNames(const std::wstring& a, const std::wstring& b) noexcept {
  // Lengths are passed, so names are compared whole; CompareStringW answers
  // 1, 2 or 3 for less, equal, greater (0 only for bad arguments).
  const int limit = std::numeric_limits<int>::max();
  const int la = a.size() > static_cast<size_t>(limit) ? limit : static_cast<int>(a.size());
  const int lb = b.size() > static_cast<size_t>(limit) ? limit : static_cast<int>(b.size());
  const int result = ::CompareStringW(LOCALE_USER_DEFAULT, 0, a.c_str(), la, b.c_str(), lb);
  if (result == 0) return a.compare(b);
  return result - CSTR_EQUAL;
}

bool SameName(const std::wstring& a, const std::wstring& b) noexcept {
  return CompareNames(a, b) == 0;
}

bool IsEmptyName(const wchar_t* text) noexcept {
  if (!text) return true;
  return ::CompareStringW(LOCALE_USER_DEFAULT, 0, text, -1, L"", -1) == CSTR_EQUAL;
}

const wchar_t* VerdictMessage(MappingVerdict verdict) noexcept {
  switch (verdict) {
    case MappingVerdict::Accepted:
      return nullptr;
    case MappingVerdict::NotOnPrimaryNode:
      return L"No primary node is mapped to this node";
    case MappingVerdict::DuplicateName:
      return L"More than one node is mapped to the same node";
    case MappingVerdict::TakesPrimaryName:
      return L"One of the new nodes has the same name as one of the original primary nodes, "
             L"this is not allowed unless a new system id has been generated.";
    case MappingVerdict::TakesSecondaryName:
      return L"One of the new nodes has the same name as one of the original secondary nodes, "
             L"this is not allowed unless a new system id has been generated.";
  }
  return nullptr;
}

NodeMapping::NodeMapping(const std::vector<NodeRow>& primary,
                         const std::vector<NodeRow>& secondary) {
  Walk(primary, &newPrimary_, backupPrimary_);
  // The new secondary names decide nothing on their own; they only count
  // among all new names.
  Walk(secondary, nullptr, backupSecondary_);
  rowCount_ = primary.size() + secondary.size();
}

void NodeMapping::Walk(const std::vector<NodeRow>& rows, NameSet* newNames,
                       NameSet& backupNames) {
  for (const NodeRow& row : rows) {
    if (!SameName(row.oldName, row.newName)) mapped_.push_back({row.oldName, row.newName, row.id});
    if (newNames) Insert(*newNames, row.newName);
    Insert(allNew_, row.newName);
    Insert(backupNames, row.oldName);
  }
}

void NodeMapping::Insert(NameSet& set, const std::wstring& name) {
  const auto at = std::lower_bound(set.begin(), set.end(), name, NameLess());
  if (at == set.end() || !SameName(*at, name)) set.insert(at, name);
}

bool NodeMapping::Contains(const NameSet& set, const std::wstring& name) {
  const auto at = std::lower_bound(set.begin(), set.end(), name, NameLess());
  return at != set.end() && SameName(*at, name);
}

MappingVerdict NodeMapping::Check(const std::wstring& computerName,
                                  const std::function<bool()>& createNewSystemId) const {
  // An unreadable computer name matches no node: an empty label must not
  // pass for this computer.
  if (IsEmptyName(computerName.c_str()) || !Contains(newPrimary_, computerName))
    return MappingVerdict::NotOnPrimaryNode;
  if (allNew_.size() < rowCount_) return MappingVerdict::DuplicateName;
  if (createNewSystemId && createNewSystemId()) return MappingVerdict::Accepted;
  for (const MappedNode& node : mapped_) {
    if (Contains(backupPrimary_, node.newName)) return MappingVerdict::TakesPrimaryName;
    if (Contains(backupSecondary_, node.newName)) return MappingVerdict::TakesSecondaryName;
  }
  return MappingVerdict::Accepted;
}

}  // namespace nodes
