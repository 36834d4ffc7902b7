#!/bin/sh
# Installs what the Windows build needs besides the Linux one, from Debian's
# packages: MinGW-w64 (posix thread model), Wine to run the tests, zip, and
# wixl (msitools) for the installer.
# Idempotent; run as root on Debian 12.
set -eu
PACKAGES="cmake make libasio-dev googletest \
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
  wine wine64 zip wixl python3 python3-pyftpdlib"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends $missing
fi
