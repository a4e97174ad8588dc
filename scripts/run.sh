#!/usr/bin/env bash
# The main job: sets up what is missing, builds both architectures and runs
# the camera on Wine against the simulated camera, writing into out/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$REPO/scripts/wine.sh"

bash "$REPO/scripts/setup.sh"
bash "$REPO/scripts/build.sh"

trap servers_stop EXIT
servers_start

OUT="$REPO/out"
mkdir -p "$OUT"
BIN="$BUILD_ROOT/i686/bin"
if [ -f "$BIN/camerademo.exe" ]; then
    say "run: grabbing frames from the simulated camera (32-bit)"
    wine "$BIN/camerademo.exe" "$(winepath -w "$OUT")"
else
    say "run: nothing to run yet"
fi
