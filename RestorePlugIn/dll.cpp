// Entry points of the module and its object table.
#include <windows.h>

#include <iterator>

#include "comlib/ClassFactory.h"
#include "comlib/Module.h"
#include "resource.h"

namespace {

// Nothing else can be created; the order is the order of registration.
const comlib::ObjectEntry kObjects[] = {
    {&CLSID_NULL, nullptr, 0},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    comlib::Module::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return comlib::Module::LockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return comlib::GetClassObject(kObjects, std::size(kObjects), clsid, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return S_OK; }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return S_OK; }
