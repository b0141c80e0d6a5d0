#pragma once
// The folder-list settings that page 1 and its path list dialog share.
#include <string>

#include "catalogue/Persistency.h"

namespace selection {

// The store in use: the current user's real one unless another base folder
// was set.
Persistency SettingsStore();
// Another base folder for the store (tests); empty goes back to the real one.
void SetSettingsBaseFolder(std::wstring baseFolder);

}  // namespace selection
