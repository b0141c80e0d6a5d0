#pragma once
// One backup of the catalogue and its services. Everything copies deeply.
#include <windows.h>
#include <commctrl.h>

#include <unordered_set>
#include <vector>

#include "catalogue/ObjectIds.h"
#include "records/OwnedRecords.h"
#include "comlib/Bstr.h"

// Tree items are kept as HTREEITEM: on x64 a 32-bit field would cut the handle.

struct ServiceEntry {
  comlib::Bstr name;
  ObjectId serviceId = {};
  ObjectId helperId = {};
  comlib::Bstr backupPath;
  std::vector<records::OwnedBackupItem> items;
  std::vector<LONG> selectionValues;
  records::OwnedArguments arguments;
  bool checked = true;
  HTREEITEM treeItem = nullptr;
};

class BackupNode {
 public:
  BackupNode() = default;
  BackupNode(const BackupNode&) = default;
  BackupNode& operator=(const BackupNode&) = default;
  BackupNode(BackupNode&&) noexcept = default;
  BackupNode& operator=(BackupNode&&) noexcept = default;
  virtual ~BackupNode() = default;

  // Back to the state of a new entry: null texts and ids, empty lists.
  void Clear() noexcept;
  bool IsRestoreNode(const ObjectId& nodeId) const;

  comlib::Bstr name;
  ObjectId id = {};
  comlib::Bstr infoFilePath;
  ObjectId parentId = {};
  std::vector<comlib::Bstr> nodeNames;
  std::vector<ObjectId> nodeIds;
  std::vector<ServiceEntry> services;
  records::OwnedArguments argumentBlock;
  std::vector<ObjectId> dependents;
  HTREEITEM treeItem = nullptr;
  comlib::Bstr systemName;
  comlib::Bstr systemDescription;
  comlib::Bstr projectDataPath;
  comlib::Bstr serverDataPath;
  comlib::Bstr serverData2Path;
  comlib::Bstr workplaceDataPath;
  std::unordered_set<ObjectId, ObjectIdHash> primaryNodeIds;
};
