#pragma once
// The module's dual interfaces, each with its slot of the dispatch cache.
#include <cstddef>

enum TypeInfoSlot : size_t { kRestoreControlSlot, kRestoreModuleSlot };
