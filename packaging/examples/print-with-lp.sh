#!/bin/sh
# SpoolCommand example: prints each saved spool file's text on a CUPS queue.
#
#   install -m 755 /usr/share/doc/oprinter/examples/print-with-lp.sh /var/lib/oprinter/NAME/
#   OPrinter.cfg: SpoolCommand="print-with-lp.sh"
#
# The queue is OPRINTER_LP_QUEUE when set (systemctl edit oprinter@NAME, then
# [Service] and Environment=OPRINTER_LP_QUEUE=office), else CUPS' default.
# The service runs it with the spool file's path and its attributes in
# OPRINTER_NOME, OPRINTER_UTENTE, ... (UTF-8); the text is converted from the
# printer's Charset to UTF-8 for CUPS. A failure is the exit status and the
# last line on standard error, which the service logs.
set -eu

spool=$1
title=${OPRINTER_NOME:-$(basename "$spool" .spool)}
set -- -t "$title" -o document-format=text/plain
if [ -n "${OPRINTER_LP_QUEUE:-}" ]; then
    set -- "$@" -d "$OPRINTER_LP_QUEUE"
fi
if [ "${OPRINTER_NUMEROCOPIE:-0}" -gt 0 ] 2>/dev/null; then
    set -- "$@" -n "$OPRINTER_NUMEROCOPIE"
fi
text=$(mktemp)
trap 'rm -f "$text"' EXIT
LC_ALL=C.UTF-8 oprinterctl show --text "$spool" >"$text"
lp "$@" "$text"
