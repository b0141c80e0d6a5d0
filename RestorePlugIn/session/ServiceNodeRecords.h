#pragma once
// The module's own exchange record, ServiceNodeStructure of its type library,
// handed out in task-allocator arrays like the framework's records.
#include <windows.h>

#include "RestorePlugIn.h"
#include "records/Records.h"

namespace records {

// Frees the texts and the backupItem array of a handed-out service record;
// the arguments block is not the record's.
void ClearServiceNode(ServiceNodeStructure& node) noexcept;

using ServiceNodeArray = comlib::OutArray<ServiceNodeStructure, ClearServiceNode>;

}  // namespace records
