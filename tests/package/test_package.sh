#!/usr/bin/env bash
# Tests of the installer package (scripts/package.sh): its tables; install,
# a second install of the same version, upgrade, downgrade and removal with
# Wine's msiexec, in a prefix of their own; signing. The install runs where
# only 64-bit programs start too: the 64-bit msiexec installs a 32-bit
# package into the 32-bit registry view and "Program Files (x86)", as on
# 64-bit Windows. Only the run of the installed module in the reference
# host needs 32-bit programs. Run by scripts/test.sh on its display, after
# both presets are built.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
source scripts/wine-env.sh
source scripts/packaging/prefix.sh
work="$root/build/package/test"
rm -rf "$work"
mkdir -p "$work"
failed=0
passes=0 failures=0
pass() { echo "PASS  $*"; passes=$((passes + 1)); }
fail() { echo "FAIL  $*"; failed=1; failures=$((failures + 1)); }
# expect NAME COMMAND...: one check, named.
expect() { local name="$1"; shift; if "$@"; then pass "$name"; else fail "$name"; fi; }
registration() { python3 scripts/packaging/registration.py "$@"; }
peinfo() { python3 scripts/packaging/peinfo.py "$@"; }
table_has() { grep -qP -- "$2" "$1"; }

module="$root/build/win32/RestorePlugIn/RestorePlugIn.dll"
version="$(peinfo version "$module")" || { fail "version of $module"; exit 1; }
# The next release: the third field raised (Windows Installer compares three).
IFS=. read -r major minor build revision <<<"$version"
next="$major.$minor.$((build + 1)).$revision"
peinfo set-version "$module" "$work/next.dll" "$next"

echo "== building the packages ($version and $next)"
scripts/package.sh --out "$work/v1" | tee "$work/v1.txt" || { fail "package $version builds"; exit 1; }
scripts/package.sh --module "$work/next.dll" --out "$work/v2" || { fail "package $next builds"; exit 1; }
v1="$work/v1/RestorePlugIn-$version-x86.msi"
v2="$work/v2/RestorePlugIn-$next-x86.msi"
expect "package named after the version" test -f "$v1" -a -f "$v2"

echo "== tables"
for n in 1 2; do mkdir -p "$work/tables$n"; done
msidump -d "$work/tables1" "$v1" >/dev/null && msidump -d "$work/tables2" "$v2" >/dev/null
t1="$work/tables1" t2="$work/tables2"
property() { awk -F'\t' -v p="$2" '$1 == p { print $2 }' "$1/Property.idt" | tr -d '\r'; }
expect "product version is the module's version" test "$(property "$t1" ProductVersion)" = "$version"
expect "upgrade code is fixed" test "$(property "$t1" UpgradeCode)" = "$(property "$t2" UpgradeCode)"
expect "product code differs between versions" test "$(property "$t1" ProductCode)" != "$(property "$t2" ProductCode)"
expect "per-machine install" test "$(property "$t1" ALLUSERS)" = 1
expect "package is for x86" bash -c "msiinfo suminfo '$v1' | grep -q '^Template: Intel;'"
expect "one file, the module, and nothing else (no framework, no host)" \
  test "$(tail -n +4 "$t1/File.idt" | tr -d '\r' | cut -f1,3)" = "RestorePlugIn.dll	RestorePlugIn.dll"
expect "installed in a folder named after the module under the 32-bit program files" \
  table_has "$t1/Directory.idt" '^INSTALLDIR\tProgramFilesFolder\tRestorePlugIn\r?$'
expect "registry rows are exactly the registration" \
  registration compare "$work/v1/work-$version/registration.json" "$t1/Registry.idt"
expect "older versions, up to its own, are upgraded" \
  table_has "$t1/Upgrade.idt" "^\\{[-0-9A-F]+\\}\\t\\t$version\\t\\t513\\t\\tWIX_UPGRADE_DETECTED"
expect "newer versions are detected" \
  table_has "$t1/Upgrade.idt" "^\\{[-0-9A-F]+\\}\\t$version\\t\\t\\t2\\t\\tWIX_DOWNGRADE_DETECTED"
expect "a newer version stops the install" table_has "$t1/LaunchCondition.idt" '^NOT WIX_DOWNGRADE_DETECTED\t'
expect "old product removed before the new one is installed" \
  bash -c "awk -F'\t' '\$1==\"RemoveExistingProducts\"{r=\$3} \$1==\"InstallInitialize\"{i=\$3} END{exit !(r && r < i)}' '$t1/InstallExecuteSequence.idt'"
mkdir -p "$work/extracted"
(cd "$work/extracted" && msiextract "$v1" >/dev/null)
expect "the packaged file is the module" cmp -s "$module" "$(find "$work/extracted" -name RestorePlugIn.dll | head -n1)"

echo "== install, upgrade, removal (Wine's msiexec, prefix build/package/test/wineprefix)"
package_prefix "$work/wineprefix"
folder="$WINEPREFIX/drive_c/Program Files (x86)/RestorePlugIn"
upgrade_code="$(property "$t1" UpgradeCode)"
# Its exit code, as far as a process status carries it (1603 reads 67).
msiexec() { /usr/lib/wine/wine64 msiexec "$@" /qn </dev/null >/dev/null 2>&1; local s=$?; wine_server -w; return $s; }
products() { python3 tests/package/products.py "$WINEPREFIX/system.reg" "$upgrade_code" | sort | tr '\n' ' '; }
installed_version() { [ -f "$folder/RestorePlugIn.dll" ] && peinfo version "$folder/RestorePlugIn.dll"; }
installed_as() {
  registration installed "$work/v1/work-$version/registration.json" "$WINEPREFIX/system.reg" \
    'C:\Program Files (x86)\RestorePlugIn'
}
# Z: is the root of the file system in every prefix.
win() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }

msiexec /i "$(win "$v1")"; status=$?
expect "install exits 0 (got $status)" test $status = 0
expect "module installed in Program Files (x86)\\RestorePlugIn" cmp -s "$module" "$folder/RestorePlugIn.dll"
expect "every key DllRegisterServer writes is in the 32-bit view, none in the 64-bit view" installed_as
expect "one product installed" test "$(products)" = "$(property "$t1" ProductCode) "

# A repair as the README gives it: a deleted file and a deleted class key
# come back.
rm -f "$folder/RestorePlugIn.dll"
/usr/lib/wine/wine64 reg delete 'HKCR\CLSID\{08426F3C-16CA-403A-9720-890D07A7B38A}' /f /reg:32 >/dev/null 2>&1
wine_server -w
msiexec /i "$(win "$v1")" REINSTALL=ALL REINSTALLMODE=amus; status=$?
expect "repair exits 0 (got $status)" test $status = 0
repaired() { cmp -s "$module" "$folder/RestorePlugIn.dll" && installed_as; }
expect "repair puts back the file and every key" repaired

if wine_runs_32bit; then
  host="$work/host"
  mkdir -p "$host"
  wine_test_drives "$work"
  wine_server -p >/dev/null 2>&1 </dev/null
  /usr/lib/wine/wine regsvr32 /s "$(win "$root/build/win32/framework/ZelFramework.dll")" </dev/null >/dev/null 2>&1
  expect "reference framework registered by hand" test $? = 0
  scripts/wine-run.sh "$root/build/win32/host/ZelWizardHost.exe" --answers "$(win "$root/samples/demo.ini")" \
    </dev/null >"$host/run.txt" 2>&1
  status=$?
  expect "the reference host lists the tool and runs the main job to the end (exit $status)" \
    bash -c "test $status = 0 && grep -q 'Restore System' '$host/run.txt'"
  wine_server -k 2>/dev/null; wine_server -w 2>/dev/null
  /usr/lib/wine/wine regsvr32 /u /s "$(win "$root/build/win32/framework/ZelFramework.dll")" </dev/null >/dev/null 2>&1
  wine_server -w
else
  echo "NOT RUN  the installed module in the reference host: $(wine_32bit_reason)"
fi

msiexec /i "$(win "$v1")"; status=$?
expect "installing the same version again exits 0 (got $status)" test $status = 0
expect "... and still one product, the same version" \
  test "$(products)|$(installed_version)" = "$(property "$t1" ProductCode) |$version"

msiexec /i "$(win "$v2")"; status=$?
expect "upgrade exits 0 (got $status)" test $status = 0
expect "upgrade leaves one product, the new one" test "$(products)" = "$(property "$t2" ProductCode) "
expect "upgrade installs the new file version ($next)" test "$(installed_version)" = "$next"
expect "registration intact after the upgrade" installed_as

msiexec /i "$(win "$v1")"; status=$?
expect "installing an older version over a newer one fails (got $status)" test $status != 0
expect "... and leaves the newer one" test "$(products)|$(installed_version)" = "$(property "$t2" ProductCode) |$next"

msiexec /x "$(win "$v2")"; status=$?
expect "removal exits 0 (got $status)" test $status = 0
expect "no key of the classes, program ids, type library or interfaces is left" \
  registration removed "$work/v1/work-$version/registration.json" "$WINEPREFIX/system.reg"
expect "no file and no folder left" test ! -e "$folder"
expect "no product left" test -z "$(products)"
package_prefix_drop "$work/wineprefix"

echo "== signing"
s="$work/signing"
mkdir -p "$s"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=RestorePlugIn test signer" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
  -keyout "$s/key.pem" -out "$s/cert.pem" >/dev/null 2>&1
echo "test-password" >"$s/password"
openssl pkcs12 -export -inkey "$s/key.pem" -in "$s/cert.pem" -out "$s/signer.pfx" \
  -passout "file:$s/password" >/dev/null 2>&1
scripts/package.sh --module "$module" --out "$s/out" --sign "$s/signer.pfx" --password-file "$s/password" \
  >"$s/package.txt" 2>&1
expect "package.sh --sign builds a package" test -f "$s/out/RestorePlugIn-$version-x86.msi"
signed="$s/out/RestorePlugIn-$version-x86.msi"
mkdir -p "$s/extracted"
(cd "$s/extracted" && msiextract "$signed" >/dev/null)
signed_dll="$(find "$s/extracted" -name RestorePlugIn.dll | head -n1)"
verify() { osslsigncode verify -CAfile "$s/cert.pem" -in "$1" >"$s/verify.txt" 2>&1; }
expect "the signed package verifies against the certificate" verify "$signed"
expect "the module inside it verifies against the certificate" verify "$signed_dll"
cp "$signed_dll" "$s/tampered.dll"
# A byte in the middle of the code, far from the signature at the end.
offset=$(( $(stat -c %s "$s/tampered.dll") / 3 ))
byte=$(od -An -tu1 -j"$offset" -N1 "$s/tampered.dll" | tr -d ' ')
printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" | dd of="$s/tampered.dll" bs=1 seek="$offset" conv=notrunc status=none
expect "a changed byte in the signed module fails the check" bash -c "! osslsigncode verify -CAfile '$s/cert.pem' -in '$s/tampered.dll' >/dev/null 2>&1"
expect "an unsigned package fails the check" bash -c "! osslsigncode verify -CAfile '$s/cert.pem' -in '$v1' >/dev/null 2>&1"
expect "without --sign the script says the package is unsigned" grep -q "unsigned: no --sign given" "$work/v1.txt"

if [ $failed = 0 ]; then echo "== package tests passed"; else echo "== package tests FAILED"; fi
echo "package: $passes passed, $failures failed"
exit $failed
