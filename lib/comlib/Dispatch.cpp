#include "Dispatch.h"

#include "Lock.h"
#include "Module.h"

namespace comlib {
namespace {

// Objects of several apartments may ask at once; the lock guards the cache only.
SRWLOCK g_lock = SRWLOCK_INIT;
ITypeLib* g_library = nullptr;
struct CachedInfo {
  IID iid;
  ITypeInfo* info;
};
CachedInfo g_infos[8] = {};
size_t g_count = 0;

}  // namespace

HRESULT ModuleTypeInfo(REFIID iid, ITypeInfo** info) noexcept {
  if (!info) return E_POINTER;
  *info = nullptr;
  const ExclusiveLock hold(&g_lock);
  HRESULT hr = S_OK;
  for (size_t i = 0; i < g_count; ++i) {
    if (::IsEqualIID(g_infos[i].iid, iid)) {
      *info = g_infos[i].info;
      (*info)->AddRef();
      return S_OK;
    }
  }
  if (!g_library) {
    wchar_t path[MAX_PATH];
    hr = Module::Path(path, MAX_PATH) ? ::LoadTypeLibEx(path, REGKIND_NONE, &g_library)
                                      : HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  }
  ITypeInfo* found = nullptr;
  if (SUCCEEDED(hr)) hr = g_library->GetTypeInfoOfGuid(iid, &found);
  if (SUCCEEDED(hr)) {
    if (g_count < ARRAYSIZE(g_infos)) {
      g_infos[g_count++] = {iid, found};
      found->AddRef();
    }
    *info = found;
  }
  return hr;
}

void ReleaseModuleTypeInfo() noexcept {
  const ExclusiveLock hold(&g_lock);
  for (size_t i = 0; i < g_count; ++i) g_infos[i].info->Release();
  g_count = 0;
  if (g_library) g_library->Release();
  g_library = nullptr;
}

}  // namespace comlib
