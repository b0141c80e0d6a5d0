#pragma once
// The tools registered for the backup-and-restore wizard.
#include <windows.h>

#include <vector>

#include "WizardFlow.h"
#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "comlib/Unique.h"

namespace host {

// The component category of the wizard's tools.
extern const GUID kToolCategory;
// The operation a tool must be permitted to run: restore.
extern const GUID kRestoreOperation;

struct Tool {
  ToolInfo info;
  comlib::ComPtr<IZelCWControlEx> control;
  comlib::UniqueHicon icon;  // a copy of the tool's icon; may be empty
};
inline const ToolInfo& InfoOf(const Tool& tool) { return tool.info; }

// Every class of the category that answers the tool interface, asked for
// name, description, order, icon and the restore permission; sorted by
// order. Classes that cannot be created are left out.
HRESULT FindTools(std::vector<Tool>* tools);

}  // namespace host
