#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Quick when all is there.
set -euo pipefail
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
# The shipped module is 32-bit: its tests need 32-bit Wine beside the 64-bit one.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: enabling the i386 architecture"
  $SUDO dpkg --add-architecture i386
fi
# wixl, msitools and osslsigncode build, inspect and sign the installer
# package (scripts/package.sh), whose helpers are Python. A native compiler
# and the XFixes headers build the watcher that reads the cursor the X
# server shows.
# The preloader reserves the 32-bit address space in one step; without it
# every 32-bit start probes the address space piece by piece.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          mingw-w64-tools libwine-dev wine wine64 wine32:i386 wine32-preloader:i386
          xvfb xauth googletest
          wixl msitools osslsigncode openssl python3
          gcc libc6-dev libxfixes-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
