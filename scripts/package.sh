#!/usr/bin/env bash
# Builds the installer package RestorePlugIn-<version>-x86.msi of the shipped
# (i686) module with wixl.
#
#   scripts/package.sh [--sign CERT.pfx [--password-file FILE]] [--timestamp URL]
#                      [--module DLL] [--out FOLDER]
#
# The version is the one in the module's version resource. The package's
# registry entries are what DllRegisterServer writes in a scratch Wine
# prefix: the i686 module's own registration where this machine runs 32-bit
# programs, else the x64 build's (same registry scripts, checked byte for
# byte, same type library source) turned into the 32-bit one. The built
# package's Registry table is then compared with that registration.
# --module packages another build of the module (the tests package one with a
# higher version); --out puts the package elsewhere than build/package.
set -euo pipefail
shopt -s inherit_errexit
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
source scripts/packaging/prefix.sh

usage() { sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
module="" out="$root/build/package" cert="" password_file="" timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
    --module) module="${2:?}"; shift 2 ;;
    --out) out="${2:?}"; shift 2 ;;
    --sign) cert="${2:?}"; shift 2 ;;
    --password-file) password_file="${2:?}"; shift 2 ;;
    --timestamp) timestamp="${2:?}"; shift 2 ;;
    -h|--help) usage ;;
    *) echo "package: unknown argument $1" >&2; usage ;;
  esac
done
[ -n "$cert" ] || [ -z "$password_file$timestamp" ] || { echo "package: --password-file and --timestamp need --sign" >&2; exit 2; }
[ -z "$cert" ] || [ -f "$cert" ] || { echo "package: no certificate file $cert" >&2; exit 2; }
for tool in wixl msibuild msidump python3; do
  command -v "$tool" >/dev/null || { echo "package: $tool is missing (scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

build_module() {
  [ -f "build/$1/build.ninja" ] || cmake --preset "$1" >/dev/null
  cmake --build "build/$1" --target RestorePlugIn >/dev/null
  echo "$root/build/$1/RestorePlugIn/RestorePlugIn.dll"
}
peinfo() { python3 scripts/packaging/peinfo.py "$@"; }

[ -n "$module" ] || module="$(build_module win32)"
module="$(cd "$(dirname "$module")" && pwd)/$(basename "$module")"
[ "$(peinfo machine "$module")" = x86 ] || { echo "package: $module is not a 32-bit module" >&2; exit 1; }
version="$(peinfo version "$module")"
work="$out/work-$version"
rm -rf "$work"
mkdir -p "$work"

# The registration, from the module itself where 32-bit programs run.
if wine_runs_32bit; then
  registered="$module" from=x86
else
  registered="$(build_module win64)" from=x64
  peinfo same-registration "$module" "$registered" ||
    { echo "package: the x64 build's registry scripts are not the packaged module's" >&2; exit 1; }
  echo "package: registry entries from the x64 build's DllRegisterServer ($(wine_32bit_reason))"
fi
scratch="$work/wineprefix"
package_prefix "$scratch"
folder="$WINEPREFIX/drive_c/Program Files (x86)/RestorePlugIn"
mkdir -p "$folder"
cp "$registered" "$folder/RestorePlugIn.dll"
installed='C:\Program Files (x86)\RestorePlugIn\RestorePlugIn.dll'
loader="$(package_loader "$from")"
cp "$WINEPREFIX/system.reg" "$work/before.reg"
"$loader" regsvr32 /s "$installed" || { echo "package: DllRegisterServer failed in the scratch prefix" >&2; exit 1; }
wine_server -w
cp "$WINEPREFIX/system.reg" "$work/registered.reg"
"$loader" regsvr32 /u /s "$installed" || { echo "package: DllUnregisterServer failed in the scratch prefix" >&2; exit 1; }
wine_server -w
cp "$WINEPREFIX/system.reg" "$work/unregistered.reg"
package_prefix_drop "$scratch"
python3 scripts/packaging/registration.py capture "$work/before.reg" "$work/registered.reg" \
  "$work/unregistered.reg" --module "$installed" --from "$from" "$work/registration.json"

# Signed, the module goes into the package with its signature.
sign() {
  local args=(sign -pkcs12 "$cert" -h sha256 -n RestorePlugIn -in "$1" -out "$2")
  [ -z "$password_file" ] || args+=(-readpass "$password_file")
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  osslsigncode "${args[@]}" >/dev/null || { echo "package: signing $1 failed" >&2; exit 1; }
}
payload="$work/RestorePlugIn.dll"
if [ -n "$cert" ]; then sign "$module" "$payload"; else cp "$module" "$payload"; fi

upgrade_code=DC67497A-7B7D-4985-BD34-AABA4D0C5A45
# One product code per version, the same each time that version is built.
product_code="$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), "RestorePlugIn " + sys.argv[2])).upper())' "$upgrade_code" "$version")"
sed -e "s|@VERSION@|$version|g" -e "s|@PRODUCT_CODE@|$product_code|g" \
    -e "s|@UPGRADE_CODE@|$upgrade_code|g" -e "s|@MODULE@|$(basename "$payload")|g" \
    scripts/packaging/RestorePlugIn.wxs.in >"$work/RestorePlugIn.wxs"
msi="$work/RestorePlugIn.msi"
# wixl takes sources relative to the folder it runs in.
(cd "$work" && wixl -a x86 -o "$msi" RestorePlugIn.wxs)
python3 scripts/packaging/registration.py table "$work/registration.json" Module "$work/Registry.idt"
# wixl's major upgrade leaves a product whose version differs only in the
# fourth field installed beside this one (Windows Installer compares three):
# this one takes every older product up to and including its own version.
printf '%s\r\n' "UpgradeCode	VersionMin	VersionMax	Language	Attributes	Remove	ActionProperty" \
  "s38	S20	S20	S255	i4	S255	s72" "Upgrade	UpgradeCode	VersionMin	VersionMax	Language	Attributes" \
  "{$upgrade_code}		$version		513		WIX_UPGRADE_DETECTED" \
  "{$upgrade_code}	$version			2		WIX_DOWNGRADE_DETECTED" >"$work/Upgrade.idt"
# wixl schedules the registry actions only for registry entries of its own.
mkdir -p "$work/wixl"
msidump -d "$work/wixl" "$msi" >/dev/null
sequence="$work/wixl/InstallExecuteSequence.idt"
for action in RemoveRegistryValues:2600 WriteRegistryValues:5000; do
  grep -q "^${action%%:*}	" "$sequence" || printf '%s\t\t%s\r\n' "${action%%:*}" "${action#*:}" >>"$sequence"
done
msibuild "$msi" -i "$work/Registry.idt" -i "$work/Upgrade.idt" -i "$sequence"
mkdir -p "$work/tables"
msidump -d "$work/tables" "$msi" >/dev/null
python3 scripts/packaging/registration.py compare "$work/registration.json" "$work/tables/Registry.idt"

name="RestorePlugIn-$version-x86.msi"
mkdir -p "$out"
if [ -n "$cert" ]; then
  sign "$msi" "$out/$name"
  echo "package: $out/$name (module and package signed)"
else
  cp "$msi" "$out/$name"
  echo "package: $out/$name (unsigned: no --sign given)"
fi
