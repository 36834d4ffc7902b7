#!/bin/sh
# Sets up, builds and runs every test: the normal build, the ASan/UBSan
# build, then the Windows build with its unit tests and its service under Wine.
set -eu
cd "$(dirname "$0")/.."
sh scripts/as-root.sh sh scripts/setup.sh
for config in normal sanitize; do
  if [ "$config" = normal ]; then dir=build; opts=""; else dir=build-asan; opts="-DOPRINTER_SANITIZE=ON"; fi
  echo "== $config build ($dir)"
  sh scripts/build.sh "$dir" $opts
  echo "== $config tests"
  (cd "$dir" && sh ../scripts/as-root.sh ctest --output-on-failure -j2 --timeout 600)
done
sh scripts/build-windows.sh
echo "== Windows service under Wine"
flock /tmp/oprinter-e2e.lock /usr/bin/python3 tests/e2e/windows_service.py build-windows
echo "== TLS of the Windows service under Wine"
flock /tmp/oprinter-e2e.lock /usr/bin/python3 tests/e2e/windows_tls.py build-windows
echo "== all tests passed"
