#!/usr/bin/env bash
# The test command: sets up what is missing, builds both architectures and runs
# every test on Wine (private prefix, persistent wineserver, Xvfb display).
# Extra arguments go to ctest (for example -R camera or -L unit).
# Exit status: 0 when every test of every architecture passed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$REPO/scripts/wine.sh"

prepare_and_start

status=0
for arch in $ARCHES; do
    say "test: $arch"
    if ! ctest --test-dir "$BUILD_ROOT/$arch" --output-on-failure "$@"; then
        status=1
    fi
done
if [ "$status" -eq 0 ]; then say "test: all passed ($ARCHES)"; else say "test: FAILED"; fi
exit "$status"
