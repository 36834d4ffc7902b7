#!/bin/sh
# Runs a command as root, through sudo when needed.
if [ "$(id -u)" -eq 0 ]; then exec "$@"; else exec sudo "$@"; fi
