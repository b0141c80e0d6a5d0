#pragma once
// Registration through the system's registrar (atl.dll's Registrar class):
// registry scripts in the standard syntax, kept as "REGISTRY" resources, and
// the module's type libraries.
#include <windows.h>

#include "ClassFactory.h"

namespace comlib {

// Runs one "REGISTRY" resource of the module; "%MODULE%" in it stands for the
// module's full path.
HRESULT RunRegistryScript(HINSTANCE module, UINT scriptId, bool install) noexcept;

// Runs the scripts of an object table in table order (entries without a
// script are skipped). Registration stops at the first failure; removal runs
// every script. Either answers the first failure.
HRESULT RunRegistryScripts(HINSTANCE module, const ObjectEntry* table, size_t count,
                           bool install) noexcept;

// Registers or unregisters TYPELIB resource `index` (1 for the first) of the module.
HRESULT RegisterTypeLibrary(HINSTANCE module, UINT index) noexcept;
HRESULT UnregisterTypeLibrary(HINSTANCE module, UINT index) noexcept;

// A server's whole registration for DllRegisterServer and DllUnregisterServer:
// the object table's scripts, then the TYPELIB resources listed. Registration
// stops at the first failure; removal undoes everything. Either answers the
// first failure.
HRESULT RegisterServer(HINSTANCE module, const ObjectEntry* table, size_t count,
                       const UINT* typeLibraries, size_t libraryCount, bool install) noexcept;

}  // namespace comlib
