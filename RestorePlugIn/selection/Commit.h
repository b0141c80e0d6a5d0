#pragma once
// What leaving page 1 hands to the session: the nodes of the chosen backup
// (or of its nearest ancestor that lists nodes), its checked services, its
// system information and the chain of backups it depends on.
#include <windows.h>

#include <vector>

#include "RestorePlugIn.h"
#include "catalogue/BackupNode.h"

namespace selection {

// The records of the checked services of one entry, as the session takes
// them. The names and paths stay the catalogue's; the item arrays and their
// texts are made here and released with the object.
class ServiceRecords {
 public:
  ServiceRecords() = default;
  ~ServiceRecords();
  ServiceRecords(const ServiceRecords&) = delete;
  ServiceRecords& operator=(const ServiceRecords&) = delete;

  // Throws std::bad_alloc; what was made so far is still released.
  void AddChecked(const std::vector<ServiceEntry>& services);
  ULONG size() const noexcept { return static_cast<ULONG>(records_.size()); }
  // Null when empty.
  ServiceNodeStructure* data() noexcept { return records_.empty() ? nullptr : records_.data(); }

 private:
  std::vector<ServiceNodeStructure> records_;
};

// The entry whose nodes are handed over: the first of the chain that lists
// nodes, else the last one.
const BackupNode& NodeOwner(const std::vector<const BackupNode*>& chain) noexcept;

// Calls SetRestoreNode, SetRestoreInfo and SetBackupDependency for the chain
// of entries from the selected one up to its top-level ancestor. Returns the
// first failure of a call; throws std::bad_alloc.
HRESULT CommitSelection(IRestoreModule* session, const std::vector<const BackupNode*>& chain);

}  // namespace selection
