#!/bin/sh
# The SpoolCommand of the end-to-end test: notes what it was given in the
# printer's folder (its working folder), one line per call.
printf '%s|%s|%s|%s|%s|%s\n' "$#" "$1" "$(pwd)" "$OPRINTER_NOME" "$OPRINTER_PRINTER" "${OPRINTER_PDF-none}" >>hand-off.txt
