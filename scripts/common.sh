# Shared settings for the scripts; sourced, not run.
#
#   LUMORA_BUILD   build tree (default: <repo>/build); each architecture builds
#                  in <build>/<arch>, the private Wine prefix lives in <build>/wineprefix
#   LUMORA_ARCHES  architectures to build and test (default: "i686 x86_64")

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${LUMORA_BUILD:-$REPO/build}"
ARCHES="${LUMORA_ARCHES:-i686 x86_64}"

# ccache keys on paths relative to the checkout, so a fresh clone of the
# project reuses what another checkout on this machine compiled.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$REPO}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
# Every C++ file starts from a precompiled header (cmake/CommonHeaders.cmake);
# ccache caches such files only when told that the header's macros and time
# stamps need not be compared.
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"

export WINEPREFIX="$BUILD_ROOT/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get update, tried three times: a Debian mirror in the middle of a sync
# serves an index of the wrong size now and then ("Mirror sync in progress?").
# When every try leaves an index out, it goes on with the indexes it has,
# says so and returns 1.
apt_update() {
    local try
    for try in 1 2 3; do
        if as_root apt-get update -q; then return 0; fi
        [ "$try" -lt 3 ] && { say "apt-get update failed (try $try of 3); again in 15 s"; sleep 15; }
    done
    say "apt-get update left some indexes out; going on with those it has"
    return 1
}

# apt-get install of the packages given. After an incomplete update (say the
# security suite's i386 index is missing), the two architectures' candidates
# can differ in version, which multi-arch packages refuse; then it tries
# again with the security suite pinned below the others, so both take the
# release's versions (security updates follow with the next upgrade).
apt_install() {
    local updated="$1"; shift
    if as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"; then
        return 0
    fi
    [ "$updated" -eq 0 ] && return 1
    say "apt-get install: again with the release's versions for both architectures"
    local pin
    pin="$(mktemp)"
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$pin"
    local status=0
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        -o Dir::Etc::Preferences="$pin" "$@" || status=$?
    rm -f "$pin"
    return "$status"
}
