#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Quick when all is there.
set -euo pipefail
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          mingw-w64-tools libwine-dev wine wine64 xvfb xauth googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
