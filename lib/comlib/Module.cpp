#include "Module.h"

namespace comlib {
namespace {
HINSTANCE g_instance = nullptr;
LONG g_locks = 0;
}  // namespace

HINSTANCE Module::Instance() noexcept {
  return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}
void Module::SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }
void Module::Lock() noexcept { ::InterlockedIncrement(&g_locks); }
void Module::Unlock() noexcept { ::InterlockedDecrement(&g_locks); }
LONG Module::LockCount() noexcept { return g_locks; }

bool Module::Path(wchar_t* buffer, DWORD size) noexcept {
  const DWORD n = ::GetModuleFileNameW(Instance(), buffer, size);
  return n > 0 && n < size;
}

}  // namespace comlib
