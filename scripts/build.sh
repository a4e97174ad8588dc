#!/usr/bin/env bash
# Configures and builds every architecture in $LUMORA_ARCHES (see common.sh).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

jobs="$(nproc 2>/dev/null || echo 2)"
for arch in $ARCHES; do
    say "build: $arch"
    cmake -S "$REPO" -B "$BUILD_ROOT/$arch" \
        -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
    cmake --build "$BUILD_ROOT/$arch" -j "$jobs"
done
