#!/usr/bin/env bash
# Builds the setup program: <build>/LumoraCamera-<version>-setup.exe, one
# program with the 32-bit and the 64-bit files (see installer/).
#
#   bash scripts/package.sh                    the project's version: builds both
#                                              architectures (scripts/build.sh), then the setup
#   bash scripts/package.sh --version X.Y.Z    the same files stamped with version X.Y.Z
#                                              (the upgrade tests' older setup), built in a tree
#                                              of their own, <build>/version-X.Y.Z
#
# Sets up what is missing first (makensis comes with Debian's nsis). Prints
# the setup program's path as its last line. Exit status 0 when it was built.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

version=""
while [ $# -gt 0 ]; do
    case "$1" in
        --version)
            [ $# -ge 2 ] || { echo "package.sh: --version needs X.Y.Z" >&2; exit 2; }
            version="$2"
            shift 2 ;;
        -h|--help)
            sed -n '2,13p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
            exit 0 ;;
        *)
            echo "package.sh: unknown argument \"$1\" (see --help)" >&2
            exit 2 ;;
    esac
done
if [ -n "$version" ] && ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "package.sh: the version must be major.minor.patch, not \"$version\"" >&2
    exit 2
fi

bash "$REPO/scripts/setup.sh"

# The setup program holds both architectures, whatever LUMORA_ARCHES says.
if [ -z "$version" ]; then
    LUMORA_ARCHES="i686 x86_64" bash "$REPO/scripts/build.sh"
    tree="$BUILD_ROOT"
else
    # Only the shipped files, without the tests; the compiler cache makes
    # this quick after a build of the project's version (its debug
    # information then names the other tree's folders, which does no harm
    # to a package made for tests).
    tree="$BUILD_ROOT/version-$version"
    jobs="$(nproc 2>/dev/null || echo 2)"
    for arch in i686 x86_64; do
        say "package: building version $version ($arch)"
        cmake -S "$REPO" -B "$tree/$arch" \
            -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/toolchain-$arch-w64-mingw32.cmake" \
            -DLUMORA_VERSION_OVERRIDE="$version" -DBUILD_TESTING=OFF \
            -DLUMORA_LIBYUV_SOURCE="$BUILD_ROOT/third_party/libyuv" \
            -DLUMORA_SETUP_DIR="$BUILD_ROOT" >/dev/null
        cmake --build "$tree/$arch" -j "$jobs" --target ZorvikFilter LumoraMediaSource ZorvikSDK lumoracap
    done
fi

say "package: setup program"
cmake --build "$tree/i686" --target setup
setup="$(cat "$tree/i686/setup-file.txt")"
if [ ! -f "$setup" ]; then
    echo "package.sh: $setup was not written" >&2
    exit 1
fi
say "package: done"
echo "$setup"
