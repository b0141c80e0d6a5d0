// Entry points of ZelFramework.dll and its object table.
#include <windows.h>

#include <iterator>

#include "ArgumentEditor.h"
#include "ItemSelector.h"
#include "ItemsRestoreHelper.h"
#include "SecurityInitializer.h"
#include "ServiceBinding.h"
#include "SystemRestore.h"
#include "comlib/ClassFactory.h"
#include "comlib/Module.h"
#include "comlib/Registrar.h"
#include "resource.h"

namespace {

// One entry per component, in the order of registration.
const comlib::ObjectEntry kObjects[] = {
    {&CLSID_ZelSecurityInitializer, &CZelSecurityInitializer::CreateInstance,
     IDR_SECURITYINITIALIZER},
    {&CLSID_ZelSystemRestore, &zel::CZelSystemRestore::CreateInstance, IDR_ZELSYSTEMRESTORE},
    {&CLSID_ZelSystemSettings, &zel::CZelSystemSettings::CreateInstance, IDR_ZELSYSTEMSETTINGS},
    {&CLSID_ZelServiceBinding, &zel::CZelServiceBinding::CreateInstance, IDR_ZELSERVICEBINDING},
    {&zel::CLSID_ZelFileRestoreHelper, &zel::CZelFileRestoreHelper::CreateInstance,
     IDR_ZELFILERESTOREHELPER},
    {&zel::CLSID_ZelItemSelector, &zel::CZelItemSelector::CreateInstance, IDR_ZELITEMSELECTOR},
    {&zel::CLSID_ZelArgumentEditor, &zel::CZelArgumentEditor::CreateInstance,
     IDR_ZELARGUMENTEDITOR},
    {&zel::CLSID_ZelItemsRestoreHelper, &zel::CZelItemsRestoreHelper::CreateInstance,
     IDR_ZELITEMSRESTOREHELPER},
};

// The framework's own type libraries, which the module's type library imports.
const UINT kTypeLibraries[] = {IDT_ZELABSINTERFACES, IDT_ZELVUMINTERFACES};

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

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return comlib::RegisterServer(comlib::Module::Instance(), kObjects, std::size(kObjects),
                                kTypeLibraries, std::size(kTypeLibraries), true);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return comlib::RegisterServer(comlib::Module::Instance(), kObjects, std::size(kObjects),
                                kTypeLibraries, std::size(kTypeLibraries), false);
}
