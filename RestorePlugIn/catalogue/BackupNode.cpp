#include "catalogue/BackupNode.h"

void BackupNode::Clear() noexcept {
  name = comlib::Bstr();
  id = kNullObjectId;
  infoFilePath = comlib::Bstr();
  parentId = kNullObjectId;
  nodeNames.clear();
  nodeIds.clear();
  services.clear();
  // Not only the fields a new entry needs emptied: a reused entry must not
  // keep links or primary nodes of what it held before.
  argumentBlock.Reset();
  dependents.clear();
  treeItem = nullptr;
  systemName = comlib::Bstr();
  systemDescription = comlib::Bstr();
  projectDataPath = comlib::Bstr();
  serverDataPath = comlib::Bstr();
  serverData2Path = comlib::Bstr();
  workplaceDataPath = comlib::Bstr();
  primaryNodeIds.clear();
}

bool BackupNode::IsRestoreNode(const ObjectId& nodeId) const {
  return primaryNodeIds.count(nodeId) != 0;
}
