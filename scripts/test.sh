#!/usr/bin/env bash
# The test command: sets up what is missing, builds both architectures and runs
# every test on Wine (private prefix, persistent wineserver, Xvfb display).
# With both architectures it also packages the setup program, and an older
# version of it for the upgrade tests, which "setup_tests" installs in a Wine
# prefix of its own (label "setup"; left out when one architecture is built).
# Extra arguments go to ctest (for example -R camera or -L unit). At the end
# it lists each test program's time per architecture, slowest first.
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

# Each test program's time, from ctest's result lines ("12/45 Test #12:
# name ....   Passed   3.21 sec"), slowest first, with the sum and the wall
# time of the architecture's run.
suite_times() {
    local arch="$1" log="$2" wall="$3"
    local results='/Test +#[0-9]+: / && $NF == "sec"'
    printf '\n%s: test programs by time\n' "$arch"
    awk "$results"' {
             for (i = 1; i <= NF; i++) if ($i ~ /^#[0-9]+:$/) name = $(i + 1)
             printf "%10.1f s  %-6s  %s\n", $(NF - 1), ($0 ~ / Passed /) ? "passed" : "FAILED", name
         }' "$log" | sort -rn
    awk "$results"' { total += $(NF - 1) } END { printf "%10.1f s  all programs\n", total }' "$log"
    printf '%10d s  the run, wall time\n' "$wall"
}

status=0
summary=""
for arch in $ARCHES; do
    say "test: $arch"
    log="$BUILD_ROOT/$arch/ctest-output.txt"
    start=$(date +%s)
    if ! ctest --test-dir "$BUILD_ROOT/$arch" --output-on-failure "${ctest_extra[@]}" "$@" | tee "$log"; then
        status=1
    fi
    summary+="$(suite_times "$arch" "$log" $(($(date +%s) - start)))"$'\n'
done
say "test: time of each test program"
printf '%s' "$summary"
if [ "$status" -eq 0 ]; then say "test: all passed ($ARCHES)"; else say "test: FAILED"; fi
exit "$status"
