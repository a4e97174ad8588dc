#!/usr/bin/env bash
# The test command: sets up what is missing, builds both architectures and runs
# every test on Wine (private prefix, persistent wineserver, Xvfb display).
# With both architectures it also packages the setup program, and an older
# version of it for the upgrade tests, which "setup_tests" installs in a Wine
# prefix of its own (label "setup"; left out when one architecture is built).
# Extra arguments go to ctest (for example -R camera or -L unit).
# Exit status: 0 when every test of every architecture passed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$REPO/scripts/wine.sh"

prepare_and_start

# An older version than the project's, for the upgrade tests: the patch or
# minor number one lower, or for X.0.0 the version (X-1).9.0.
older_version() {
    local major minor patch
    IFS=. read -r major minor patch <<<"$1"
    if [ "$patch" -gt 0 ]; then echo "$major.$minor.$((patch - 1))"
    elif [ "$minor" -gt 0 ]; then echo "$major.$((minor - 1)).0"
    else echo "$((major - 1)).9.0"
    fi
}

ctest_extra=()
if [[ " $ARCHES " == *" i686 "* && " $ARCHES " == *" x86_64 "* ]]; then
    say "test: packaging the setup programs"
    setup="$(bash "$REPO/scripts/package.sh" | tail -n1)"
    version="${setup##*/LumoraCamera-}"
    version="${version%-setup.exe}"
    previous_version="$(older_version "$version")"
    previous_setup="$(bash "$REPO/scripts/package.sh" --version "$previous_version" | tail -n1)"
    printf 'setup=%s\nprevious_setup=%s\nprevious_version=%s\n' "$setup" "$previous_setup" "$previous_version" \
        >"$BUILD_ROOT/setup-under-test.txt"
else
    say "test: one architecture built: the setup program's tests are left out"
    ctest_extra=(-LE setup)
fi

status=0
for arch in $ARCHES; do
    say "test: $arch"
    if ! ctest --test-dir "$BUILD_ROOT/$arch" --output-on-failure "${ctest_extra[@]}" "$@"; then
        status=1
    fi
done
if [ "$status" -eq 0 ]; then say "test: all passed ($ARCHES)"; else say "test: FAILED"; fi
exit "$status"
