# Sourced: a Wine prefix of the Windows build's own, headless and quiet, with
# its server kept running (without it a service is ended about 2.5 s after the
# last Wine program, and each program start costs 2.5 s more).
export WINEPREFIX="${WINEPREFIX:-$PWD/build-windows/wine}"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1
  wineserver -w
fi
wineserver -p >/dev/null 2>&1 </dev/null
# The prefix's own background programs start with the first Wine program;
# started here, they do not hold the tests' output open.
wine cmd /c exit >/dev/null 2>&1 </dev/null
