#include "Records.h"

namespace session {

void ClearServiceNode(ServiceNodeStructure& node) noexcept {
  ::SysFreeString(node.name);
  ::SysFreeString(node.backupPath);
  if (node.backupItem) {
    for (unsigned long i = 0; i < node.count; ++i) ClearBackupItem(node.backupItem[i]);
    ::CoTaskMemFree(node.backupItem);
  }
  node = ServiceNodeStructure{};
}

}  // namespace session
