#pragma once
// The node mapping rules of the node configuration page, free of windows:
// which rows were renamed, and whether the mapping may be used.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ZelAbsInterfaces.h"

namespace nodes {

// Compares node names the way the engineer reads them: locale-aware under the
// user's default locale, case-sensitive. Negative, 0 or positive.
int CompareNames(const std::wstring& a, const std::wstring& b) noexcept;
bool SameName(const std::wstring& a, const std::wstring& b) noexcept;
// A missing text counts as empty.
bool IsEmptyName(const wchar_t* text) noexcept;

// One list row: the name the node is to carry, its name in the backup, its id.
struct NodeRow {
  std::wstring newName;
  std::wstring oldName;
  ObjectId id;
};

// A renamed row, in the order the rows were walked.
struct MappedNode {
  std::wstring oldName;
  std::wstring newName;
  ObjectId id;
};

enum class MappingVerdict {
  Accepted,
  NotOnPrimaryNode,     // this computer is none of the new primary names
  DuplicateName,        // two rows carry the same new name
  TakesPrimaryName,     // a renamed node takes a primary node's former name
  TakesSecondaryName,   // ... a secondary node's former name
};

// The text shown for a refusal; null for Accepted.
const wchar_t* VerdictMessage(MappingVerdict verdict) noexcept;

class NodeMapping {
 public:
  // Rows top to bottom as the lists show them.
  NodeMapping(const std::vector<NodeRow>& primary, const std::vector<NodeRow>& secondary);

  // Renamed rows: primary rows first, then secondary rows.
  const std::vector<MappedNode>& mapped() const noexcept { return mapped_; }

  // The first rule that fails decides. createNewSystemId is asked only when
  // the rule that depends on it is reached.
  MappingVerdict Check(const std::wstring& computerName,
                       const std::function<bool()>& createNewSystemId) const;

 private:
  struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const noexcept {
      return CompareNames(a, b) < 0;
    }
  };
  using NameSet = std::vector<std::wstring>;  // sorted by NameLess, unique
  static void Insert(NameSet& set, const std::wstring& name);
  static bool Contains(const NameSet& set, const std::wstring& name);
  void Walk(const std::vector<NodeRow>& rows, NameSet* newNames, NameSet& backupNames);

  std::vector<MappedNode> mapped_;
  NameSet newPrimary_;
  NameSet backupPrimary_;
  NameSet backupSecondary_;
  NameSet allNew_;
  size_t rowCount_ = 0;
};

}  // namespace nodes
