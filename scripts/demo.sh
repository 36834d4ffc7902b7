#!/bin/sh
# The main job: sets up, builds, then lets the service print a sample report
# from the bundled IBM i test host into ./demo/ and shows the spool file.
# With --tls both connections are encrypted (telnet on port 992, FTP with
# AUTH TLS), with an authority and certificates made for the run.
# The service and the host listen and write where only root may (ports 21
# and 23, /var/lib), so that part runs as root.
set -eu
cd "$(dirname "$0")/.."
if [ "${1:-}" != run ]; then
  sh scripts/as-root.sh sh scripts/setup.sh
  # Only the two programs: the tests are the other command's job.
  sh scripts/build.sh build-demo -DOPRINTER_TESTS=OFF
  exec sh scripts/as-root.sh sh scripts/demo.sh run "$@"
fi

ADDRESS=127.0.0.80
SCENARIO=one-report
PORTS="23 and 21"
[ "${2:-}" = --tls ] && SCENARIO=tls-report && PORTS="992 with TLS, and 21 with AUTH TLS"
PYTHON=/usr/bin/python3
export PYTHONDONTWRITEBYTECODE=1
DEMO="$PWD/demo"
host=""
service=""
stop_all() {
  for pid in $service $host; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  for pid in $service $host; do
    wait "$pid" 2>/dev/null || true
  done
  service=""
  host=""
}
trap stop_all EXIT
trap 'exit 1' INT TERM

# Waits up to $1 seconds for the command that follows to succeed.
wait_until() {
  limit=$(( $1 * 10 )); shift
  while ! "$@"; do
    limit=$(( limit - 1 ))
    [ "$limit" -gt 0 ] || return 1
    sleep 0.1
  done
}
host_ready() { grep -q '^ready$' "$DEMO/host.out" 2>/dev/null; }
spool_landed() { ls "$DEMO"/Spool/*.spool >/dev/null 2>&1; }
pdf_landed() { ls "$DEMO"/Spool/*.pdf >/dev/null 2>&1; }
host_done() { ! kill -0 "$host" 2>/dev/null; }

rm -rf "$DEMO"
mkdir -p "$DEMO"
cp build-demo/oprinter "$DEMO/"
cp testhost/samples/CvTable "$DEMO/"
$PYTHON testhost/service_config.py "$ADDRESS" "$SCENARIO" build-demo/oprinterctl DebugLevel=0 PdfCopy=True \
  >"$DEMO/OPrinter.cfg"
# The TLS scenario's settings point TLSCAFile at tls/ca.pem beside the service.
if [ "$SCENARIO" = tls-report ]; then
  $PYTHON -c 'import sys; sys.path.insert(0, "testhost"); import certificates; certificates.make(*sys.argv[1:])' \
    "$DEMO/tls" "$ADDRESS"
fi

echo "== test host on $ADDRESS (ports $PORTS), scenario $SCENARIO"
$PYTHON testhost/ibmi_host.py "$ADDRESS" "$SCENARIO" --log "$DEMO/host.log" --certificates "$DEMO/tls" \
  >"$DEMO/host.out" 2>&1 &
host=$!
wait_until 10 host_ready || { echo "the test host did not start:"; cat "$DEMO/host.out"; exit 1; }

echo "== oprinter in $DEMO"
"$DEMO/oprinter" >"$DEMO/service.out" 2>&1 &
service=$!
wait_until 45 spool_landed || { echo "no spool file arrived; see $DEMO/host.log and the log in $DEMO"; exit 1; }
# The host ends once the service has acknowledged the last record.
if wait_until 10 host_done && wait "$host"; then
  echo "the test host saw the whole dialogue it expected"
else
  echo "warning: the test host's checks did not pass; see $DEMO/host.log"
fi
host=""
# PdfCopy is on: the PDF follows the spool file, made beside it.
wait_until 30 pdf_landed || echo "warning: no PDF beside the spool file; see the log in $DEMO"
stop_all

spool=$(ls "$DEMO"/Spool/*.spool | head -n 1)
echo "== oprinterctl show"
build-demo/oprinterctl show "$spool"
echo
echo "spool file: $spool"
pdf="${spool%.spool}.pdf"
[ -f "$pdf" ] && echo "PDF:        $pdf"
echo "log file:   $(ls "$DEMO"/OPrinter\ *.log | head -n 1)"
echo "host log:   $DEMO/host.log"
