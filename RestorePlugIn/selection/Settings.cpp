#include "selection/Settings.h"

#include <utility>

namespace selection {

namespace {
std::wstring g_baseFolder;  // empty: the real one
}  // namespace

Persistency SettingsStore() { return g_baseFolder.empty() ? Persistency() : Persistency(g_baseFolder); }

void SetSettingsBaseFolder(std::wstring baseFolder) { g_baseFolder = std::move(baseFolder); }

}  // namespace selection
