#include "session/ServiceNodeRecords.h"

namespace records {

void ClearServiceNode(ServiceNodeStructure& node) noexcept {
  ::SysFreeString(node.name);
  ::SysFreeString(node.backupPath);
  BackupItemArray::Attach(node.backupItem, node.count);  // freed right here
  node = ServiceNodeStructure{};
}

}  // namespace records
