// Entry points of the module and its object table.
#include <windows.h>

#include <iterator>

#include "RestorePlugIn.h"
#include "comlib/ClassFactory.h"
#include "comlib/Dispatch.h"
#include "comlib/Module.h"
#include "comlib/Registrar.h"
#include "directories/RestorePropertyPage3.h"
#include "nodes/RestorePropertyPage2.h"
#include "selection/RestorePropertyPage1.h"
#include "resource.h"
#include "session/RestoreControl.h"
#include "session/RestoreModule.h"

namespace {

// Nothing else can be created; the order is the order of registration.
// A class without a creation function is registered but has no class object.
const comlib::ObjectEntry kObjects[] = {
    {&CLSID_RestoreControl, &CRestoreControl::CreateInstance, IDR_RESTORECONTROL},
    {&CLSID_RestoreModule, &CRestoreModule::CreateInstance, IDR_RESTOREMODULE},
    {&CLSID_RestorePropertyPage1, &CRestorePropertyPage1::CreateInstance, IDR_RESTOREPROPERTYPAGE1},
    {&CLSID_RestorePropertyPage2, &CRestorePropertyPage2::CreateInstance, IDR_RESTOREPROPERTYPAGE2},
    {&CLSID_RestorePropertyPage3, &CRestorePropertyPage3::CreateInstance, IDR_RESTOREPROPERTYPAGE3},
};

const UINT kTypeLibraries[] = {1};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    comlib::Module::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Freed while the process goes on: oleaut32 is still there to take it back.
    comlib::ReleaseModuleTypeInfo();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return comlib::Module::LockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return comlib::GetClassObject(kObjects, std::size(kObjects), clsid, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return comlib::RegisterServer(comlib::Module::Instance(), kObjects, std::size(kObjects),
                                kTypeLibraries, std::size(kTypeLibraries), true);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return comlib::RegisterServer(comlib::Module::Instance(), kObjects, std::size(kObjects),
                                kTypeLibraries, std::size(kTypeLibraries), false);
}
