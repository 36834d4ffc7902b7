#!/bin/sh
# Builds OPrinter.exe and oprinterctl.exe for 64-bit Windows into
# build-windows/, runs the unit tests under Wine, and packs
# dist/oprinter-<version>-windows-x64.zip and the installer
# dist/oprinter-<version>-windows-x64.msi.
set -eu
cd "$(dirname "$0")/.."
sh scripts/as-root.sh sh scripts/setup-windows.sh
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOPRINTER_WERROR=ON >/dev/null
cmake --build build-windows -j"$(nproc)"

echo "== unit tests under Wine"
. scripts/wine-env.sh
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
(cd build-windows && ctest --output-on-failure --timeout 300)

# The version of the programs and the Debian package.
version=$(sed -n 's/^project(oprinter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="oprinter-$version-windows-x64"
stage="build-windows/$name"
rm -rf "$stage" && mkdir -p "$stage" dist
for program in OPrinter.exe oprinterctl.exe; do
  x86_64-w64-mingw32-strip -o "$stage/$program" "build-windows/$program"
done
# Windows line ends for Notepad.
sed 's/$/\r/' samples/OPrinter.cfg >"$stage/OPrinter.cfg"
sed 's/$/\r/' packaging/windows/README.txt >"$stage/README.txt"
rm -f "dist/$name.zip"
(cd build-windows && zip -qr "../dist/$name.zip" "$name")
echo "== dist/$name.zip"
# wixl takes the files' paths relative to where it runs.
(cd build-windows && wixl -a x64 -D Version="$version" -D SourceDir="$name" -o "../dist/$name.msi" \
  ../packaging/windows/oprinter.wxs)
echo "== dist/$name.msi"
