#!/bin/sh
# Installs everything oprinter needs to build, test, fuzz and benchmark, from Debian's packages.
# Idempotent; run as root on Debian 12.
set -eu
PACKAGES="build-essential g++ cmake make pkg-config ca-certificates \
  libasio-dev libpugixml-dev libsystemd-dev libssl-dev openssl \
  libcairo2-dev libfontconfig-dev fontconfig fonts-dejavu-core poppler-utils \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  python3 python3-pyftpdlib python3-openssl python3-cryptography \
  clang-14 libclang-rt-14-dev procps iproute2 \
  dpkg-dev lintian systemd adduser ccache strace"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends $missing
fi
