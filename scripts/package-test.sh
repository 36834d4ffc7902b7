#!/bin/sh
# Builds the Debian package, installs it, checks the template unit and the
# package, runs two printers from it against two test hosts, holds the units'
# system call filters to what a session calls, and purges it again, which
# must leave the printers' folders. As root.
set -eu
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || exec sudo sh scripts/package-test.sh
sh scripts/package.sh
deb=$(ls dist/oprinter_*_amd64.deb | tail -n 1)
echo "== lintian"
lintian --fail-on error "$deb"
echo "== install $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$deb" >/dev/null
id oprinter
echo "== systemd-analyze"
systemd-analyze verify --man=no /lib/systemd/system/oprinter@.service
score=$(systemd-analyze security --offline=true oprinter@pkgtest.service 2>&1 | sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
echo "exposure level $score"
awk -v s="$score" 'BEGIN { exit !(s != "" && s <= 2.0) }'
echo "== two printers"
flock /tmp/oprinter-e2e.lock /usr/bin/python3 tests/package/deployment_test.py
echo "== the units' system call filters against a session under strace"
flock /tmp/oprinter-e2e.lock /usr/bin/python3 tests/package/syscall_filter_test.py
echo "== remove and purge: the printers' folders stay"
keep="/var/lib/oprinter/pkgtest-keep/Spool/KEEP 20260101000000000.spool"
mkdir -p "${keep%/*}" && : >"$keep"
apt-get purge -y oprinter >/dev/null
test -f "$keep"
rm -rf /var/lib/oprinter/pkgtest-keep
echo "== package test passed"
