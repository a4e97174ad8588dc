# Shared settings for the scripts; sourced, not run.
#
#   LUMORA_BUILD   build tree (default: <repo>/build); each architecture builds
#                  in <build>/<arch>, the private Wine prefix lives in <build>/wineprefix
#   LUMORA_ARCHES  architectures to build and test (default: "i686 x86_64")

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${LUMORA_BUILD:-$REPO/build}"
ARCHES="${LUMORA_ARCHES:-i686 x86_64}"

export WINEPREFIX="$BUILD_ROOT/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }
