#!/usr/bin/env bash
# Runs a test program in a Wine prefix of its own, made new for this run (a
# machine on which Lumora Camera was never installed), with a persistent
# wineserver of its own; stops that server and keeps the prefix for a look
# afterwards (the next run replaces it).
#
#   run-in-fresh-prefix.sh <prefix folder> <list> <program.exe> [arguments...]
#
# The setup programs under test are handed over as Windows paths in
# LUMORA_SETUP and LUMORA_PREVIOUS_SETUP (with LUMORA_PREVIOUS_VERSION), from
# the list, which scripts/test.sh writes after packaging: lines
# "setup=<path>", "previous_setup=<path>", "previous_version=X.Y.Z".
set -euo pipefail
prefix="$1"
list="$2"
program="$3"
shift 3

if [ ! -f "$list" ]; then
    echo "no setup programs to test: run scripts/test.sh with both architectures (it packages them first)" >&2
    exit 1
fi

export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
# Only this prefix's own server is stopped, never another one.
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
rm -rf "$prefix"
mkdir -p "$prefix"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1 || true

while IFS='=' read -r name value; do
    case "$name" in
        setup) export LUMORA_SETUP="$(winepath -w "$value")" ;;
        previous_setup) export LUMORA_PREVIOUS_SETUP="$(winepath -w "$value")" ;;
        previous_version) export LUMORA_PREVIOUS_VERSION="$value" ;;
    esac
done <"$list"
wine "$program" "$@"
