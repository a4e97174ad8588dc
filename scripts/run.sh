#!/usr/bin/env bash
# The main job: sets up what is missing, builds what it runs (the filter, the
# camera library and lumoracap; no tests) for both architectures, registers
# the filter of each architecture in the private Wine prefix (as a user would
# with regsvr32) and captures five seconds from the simulated camera with
# lumoracap into out/capture.avi, with one frame in out/snapshot.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$REPO/scripts/wine.sh"

# What this job runs, and nothing else: scripts/test.sh builds the rest.
prepare_and_start ZorvikFilter ZorvikSDK lumoracap

# ZorvikFilter.dll of each architecture, with ZorvikSDK.dll beside it, is
# registered with the regsvr32 of its own architecture: the 64-bit one in
# system32, the 32-bit one in syswow64.
for arch in $ARCHES; do
    case "$arch" in
        x86_64) regsvr32='C:\windows\system32\regsvr32.exe' ;;
        *) regsvr32='C:\windows\syswow64\regsvr32.exe' ;;
    esac
    dll="$BUILD_ROOT/$arch/bin/ZorvikFilter.dll"
    say "run: registering $arch ZorvikFilter.dll"
    wine "$regsvr32" /s "$(winepath -w "$dll")"
done

OUT="$REPO/out"
mkdir -p "$OUT"
rm -f "$OUT/capture.avi" "$OUT/snapshot.png"
arch="${ARCHES%% *}" # the first architecture: 32-bit unless only 64-bit was built
say "run: capturing 5 seconds from the simulated camera ($arch)"
# (Wine's sound drivers complain about the machine's missing sound card; that
# noise is left out.)
wine "$BUILD_ROOT/$arch/bin/lumoracap.exe" capture --seconds 5 \
    --out "$(winepath -w "$OUT/capture.avi")" --snapshot "$(winepath -w "$OUT/snapshot.png")" \
    2> >(grep -v '^ALSA lib' >&2)
say "run: done: out/capture.avi, out/snapshot.png"
