#!/bin/sh
# Builds one configuration, warnings as errors: scripts/build.sh DIR [extra cmake options...]
set -eu
cd "$(dirname "$0")/.."
dir=$1; shift
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOPRINTER_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
