#!/bin/sh
# Compiles the IDL files for both architectures and checks the generated
# headers, record layouts and vtable slots. Usage: idl/check.sh [keep-dir]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
wine_inc=/usr/include/wine/wine/windows
# Only stdole2.tlb is taken from here; Debian ships it for x86_64 only and
# widl reads it for either target.
wine_lib=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

if [ $# -gt 0 ]; then
    out=$1
    mkdir -p "$out"
else
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi

# Vtable slot of every method the module relies on, counted from
# QueryInterface; the C view of the headers exposes the vtables as structs.
write_slot_check() {
    cat > "$1" <<'SLOTS'
#define CINTERFACE
#define COBJMACROS
#include <windows.h>
#include <ocidl.h>
#include <oaidl.h>
#include <stddef.h>
#include "ZelFramework.h"
#include "RestorePlugIn.h"
#define SLOT(vtbl, method, n) \
    _Static_assert(offsetof(vtbl, method) == (n) * sizeof(void*), #vtbl "." #method)
SLOT(IZelCWControlExVtbl, GetModuleClsid, 3);
SLOT(IZelCWControlExVtbl, GetIcon, 4);
SLOT(IZelCWControlExVtbl, GetName, 5);
SLOT(IZelCWControlExVtbl, GetDescription, 6);
SLOT(IZelCWControlExVtbl, GetOrder, 7);
SLOT(IZelCWControlExVtbl, Reserved8, 8);
SLOT(IZelCWControlExVtbl, Reserved9, 9);
SLOT(IZelCWControlExVtbl, CheckPermission, 10);
_Static_assert(sizeof(IZelCWControlExVtbl) == 11 * sizeof(void*), "IZelCWControlEx size");
SLOT(IZelCWPropertyPageContainerExVtbl, GetFirstPage, 3);
SLOT(IZelCWPropertyPageContainerExVtbl, Reserved7, 7);
_Static_assert(sizeof(IZelCWPropertyPageContainerExVtbl) == 8 * sizeof(void*), "container size");
SLOT(IZelCWPropertyPageAdaptionVtbl, Reserved3, 3);
SLOT(IZelCWPropertyPageAdaptionVtbl, GetNextPage, 4);
SLOT(IZelCWPropertyPageAdaptionVtbl, GetSummary, 5);
SLOT(IZelCWPropertyPageAdaptionVtbl, ValidatePage, 6);
SLOT(IZelCWPropertyPageAdaptionVtbl, GetValidationMessage, 7);
SLOT(IZelCWPropertyPageAdaptionVtbl, ActivatePage, 8);
SLOT(IZelCWPropertyPageAdaptionVtbl, Reserved9, 9);
SLOT(IZelCWPropertyPageAdaptionVtbl, SetMessageSink, 10);
SLOT(IZelCWPageDescriptionVtbl, GetPageDescription, 3);
SLOT(IZelCWMessageSinkVtbl, AddMessage, 3);
SLOT(IZelAsynchRestoreCallbacksVtbl, OnInfo, 3);
SLOT(IZelAsynchRestoreCallbacksVtbl, OnCompleted, 6);
SLOT(IZelServiceRestoreCallbacksVtbl, OnProgress, 3);
SLOT(IZelServiceRestoreCallbacksVtbl, OnCompleted, 4);
SLOT(IZelSecurityInitializerVtbl, InitializeSecurity, 16);
SLOT(IZelSecurityInitializerVtbl, ApplySecurity, 18);
SLOT(IZelSystemRestoreVtbl, Start, 7);
SLOT(IZelSystemRestoreVtbl, LoadBackupFiles, 9);
SLOT(IZelSystemRestoreVtbl, SetSystemName, 11);
SLOT(IZelSystemRestoreVtbl, GetServiceHostClass, 13);
SLOT(IZelSystemRestoreVtbl, SetSystemId, 14);
SLOT(IZelSystemRestoreVtbl, SetServerDataPath, 16);
SLOT(IZelSystemRestoreVtbl, SetSystemDataPath, 18);
SLOT(IZelSystemRestoreVtbl, SetWorkplaceDataPath, 20);
SLOT(IZelSystemRestoreVtbl, IsReadyToRestore, 21);
SLOT(IZelSystemRestoreVtbl, GetWarning, 22);
SLOT(IZelSystemRestoreVtbl, GetError, 23);
SLOT(IZelSystemRestoreVtbl, SetCallbacks, 25);
SLOT(IZelSystemRestoreVtbl, Finish, 26);
SLOT(IZelSystemRestoreVtbl, SetNodeMappings, 27);
SLOT(IZelSystemRestoreVtbl, SetServerData2Path, 29);
_Static_assert(sizeof(IZelSystemRestoreVtbl) == 30 * sizeof(void*), "IZelSystemRestore size");
SLOT(IZelSystemSettingsVtbl, GetSetting, 3);
SLOT(IZelServiceBindingVtbl, Bind, 34);
SLOT(IServiceRestoreHelperVtbl, Initialize, 3);
SLOT(IServiceRestoreHelperVtbl, GetArgumentEditor, 7);
SLOT(IServiceRestoreHelperVtbl, GetBackupItems, 8);
SLOT(IServiceRestoreHelperVtbl, StartRestore, 9);
SLOT(IItemSelectorVtbl, GetSelectedItems, 7);
SLOT(IItemSelectorVtbl, SetItems, 8);
SLOT(IItemSelectorVtbl, GetSelection, 9);
SLOT(IItemSelectorVtbl, SetSelection, 10);
SLOT(IArgumentEditorVtbl, SetArguments, 3);
SLOT(IArgumentEditorVtbl, GetArguments, 4);
SLOT(IRestoreControlVtbl, Invoke, 6);
_Static_assert(sizeof(IRestoreControlVtbl) == 7 * sizeof(void*), "IRestoreControl size");
SLOT(IRestoreModuleVtbl, SetRestoreNode, 7);
SLOT(IRestoreModuleVtbl, SetNewRestoreInfo, 15);
SLOT(IRestoreModuleVtbl, SetBackupDependency, 16);
SLOT(IRestoreModuleVtbl, IsPrimaryNode, 22);
SLOT(IRestoreModuleVtbl, get_CreateNewSystemId, 23);
SLOT(IRestoreModuleVtbl, put_CreateNewSystemId, 24);
SLOT(IRestoreModuleVtbl, ClearMappedNodes, 25);
_Static_assert(sizeof(IRestoreModuleVtbl) == 26 * sizeof(void*), "IRestoreModule size");
SLOTS
}

# Order matters: later files importlib the earlier ones' .tlb files.
idls="idl/ZelAbsInterfaces.idl idl/ZelVumInterfaces.idl idl/ZelFramework.idl RestorePlugIn/RestorePlugIn.idl"

for arch in x86_64 i686; do
    case $arch in
        x86_64) widl="x86_64-w64-mingw32-widl -m64" ;;
        i686)   widl="i686-w64-mingw32-widl --win32" ;;
    esac
    cxx=$arch-w64-mingw32-g++-posix
    cc=$arch-w64-mingw32-gcc-posix
    dir=$out/$arch
    mkdir -p "$dir"

    for idl in $idls; do
        base=$(basename "$idl" .idl)
        tlb=""
        # Files without a library block produce no type library.
        if grep -q '^library ' "$root/$idl"; then
            tlb="-t -T $dir/$base.tlb"
        fi
        # shellcheck disable=SC2086
        $widl -I"$wine_inc" -L"$wine_lib" -I"$root/idl" -L"$dir" \
            -h -H "$dir/$base.h" -u -U "$dir/${base}_i.c" $tlb "$root/$idl"
    done
    for tlb in ZelAbsInterfaces ZelVumInterfaces RestorePlugIn; do
        test -s "$dir/$tlb.tlb" || { echo "missing $arch $tlb.tlb" >&2; exit 1; }
    done

    for idl in $idls; do
        base=$(basename "$idl" .idl)
        tu=$dir/header_$base.cpp
        printf '#include <windows.h>\n#include <ocidl.h>\n#include <oaidl.h>\n#include "%s.h"\n' "$base" > "$tu"
        $cxx -std=c++17 -Wall -Wextra -fsyntax-only -I"$dir" "$tu"
        $cc -Wall -c -o "$dir/${base}_i.o" -I"$dir" "$dir/${base}_i.c"
    done

    $cxx -std=c++17 -Wall -Wextra -fsyntax-only -I"$dir" "$here/layout_check.cpp"
    write_slot_check "$dir/slot_check.c"
    $cc -std=c11 -Wall -fsyntax-only -I"$dir" "$dir/slot_check.c"
    echo "$arch: ok"
done
