#!/usr/bin/env bash
# Configures and builds every architecture in $LUMORA_ARCHES (see common.sh).
# With arguments, builds only those CMake targets (and what they need), as
# the main job does: bash scripts/build.sh ZorvikFilter ZorvikSDK lumoracap.
# Without, builds everything, tests and benchmark included.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

targets=()
if [ "$#" -gt 0 ]; then targets=(--target "$@"); fi
jobs="$(nproc 2>/dev/null || echo 2)"
for arch in $ARCHES; do
    say "build: $arch${*:+ ($*)}"
    cmake -S "$REPO" -B "$BUILD_ROOT/$arch" \
        -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
    cmake --build "$BUILD_ROOT/$arch" -j "$jobs" "${targets[@]}"
done
