// Compile-time checks of the exchange records' layouts and of the generated
// headers. The 32-bit sizes and offsets are the framework's binary contract.

#include <windows.h>
#include <ocidl.h>
#include <oaidl.h>
#include <cstddef>

#include "ZelAbsInterfaces.h"
#include "ZelVumInterfaces.h"
#include "ZelFramework.h"
#include "RestorePlugIn.h"

static_assert(sizeof(ObjectId) == 16, "ObjectId");
static_assert(sizeof(ObjectId) == sizeof(GUID), "ObjectId has GUID layout");
static_assert(offsetof(ObjectId, Data2) == offsetof(GUID, Data2), "ObjectId.Data2");
static_assert(offsetof(ObjectId, Data3) == offsetof(GUID, Data3), "ObjectId.Data3");
static_assert(offsetof(ObjectId, Data4) == offsetof(GUID, Data4), "ObjectId.Data4");

#ifndef _WIN64
static_assert(sizeof(ServiceArguments) == 8, "ServiceArguments");
static_assert(offsetof(ServiceArguments, byteCount) == 0, "ServiceArguments.byteCount");
static_assert(offsetof(ServiceArguments, data) == 4, "ServiceArguments.data");

static_assert(sizeof(BackupItem) == 48, "BackupItem");
static_assert(offsetof(BackupItem, name) == 0, "BackupItem.name");
static_assert(offsetof(BackupItem, description) == 4, "BackupItem.description");
static_assert(offsetof(BackupItem, identifier) == 8, "BackupItem.identifier");
static_assert(sizeof(BackupItem::identifier) == 32, "BackupItem.identifier size");
static_assert(offsetof(BackupItem, value) == 40, "BackupItem.value");
static_assert(offsetof(BackupItem, details) == 44, "BackupItem.details");

static_assert(sizeof(ServiceNodeStructure) == 60, "ServiceNodeStructure");
static_assert(offsetof(ServiceNodeStructure, name) == 0, "name");
static_assert(offsetof(ServiceNodeStructure, serviceId) == 4, "serviceId");
static_assert(offsetof(ServiceNodeStructure, helperId) == 20, "helperId");
static_assert(offsetof(ServiceNodeStructure, backupPath) == 36, "backupPath");
static_assert(offsetof(ServiceNodeStructure, checked) == 40, "checked");
static_assert(sizeof(ServiceNodeStructure::checked) == 1, "checked size");
static_assert(offsetof(ServiceNodeStructure, count) == 44, "count");
static_assert(offsetof(ServiceNodeStructure, backupItem) == 48, "backupItem");
static_assert(offsetof(ServiceNodeStructure, arguments) == 52, "arguments");
#endif

// Ids reachable through __uuidof, as the module's QueryInterface tables use it.
inline void UuidsAreDeclared()
{
    const GUID* ids[] = {
        &__uuidof(IRestoreModule), &__uuidof(IRestoreControl),
        &__uuidof(IZelCWControl), &__uuidof(IZelCWControlEx),
        &__uuidof(IZelCWPropertyPageContainer), &__uuidof(IZelCWPropertyPageContainerEx),
        &__uuidof(IZelCWPropertyPageAdaption), &__uuidof(IZelCWPageDescription),
        &__uuidof(IZelCWMessageSink), &__uuidof(IZelAsynchRestoreCallbacks),
        &__uuidof(IZelServiceRestoreCallbacks), &__uuidof(IZelSecurityInitializer),
        &__uuidof(IZelSystemRestore), &__uuidof(IZelSystemSettings),
        &__uuidof(IZelServiceBinding), &__uuidof(IServiceRestoreHelper),
        &__uuidof(IItemSelector), &__uuidof(IArgumentEditor),
        &__uuidof(RestoreModule), &__uuidof(ZelSystemRestore),
        &CLSID_ZelSystemRestore, &CLSID_ZelSystemSettings, &CLSID_ZelServiceBinding,
        &CLSID_RestoreControl, &CLSID_RestoreModule, &CLSID_RestorePropertyPage1,
        &CLSID_RestorePropertyPage2, &CLSID_RestorePropertyPage3, &CLSID_InfoSink,
        &LIBID_RESTOREPLUGINLib, &LIBID_ZelAbsInterfaces, &LIBID_ZelVumInterfaces,
    };
    (void)ids;
}
