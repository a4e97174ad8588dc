#!/usr/bin/env bash
# Brings the source of libyuv, the colour conversion and scaling library the
# frame path uses, from Debian's source package into the build tree:
# <build>/third_party/libyuv (see common.sh for <build>). CMake builds it from
# there for each architecture (cmake/Libyuv.cmake); nothing of it is kept in
# the repository.
#
# Adds a deb-src entry beside each configured Debian suite where none is (the
# source package comes from the same suites as the binary ones), then runs
# "apt-get source libyuv". Does nothing once the source is in place; safe to
# run again. Called by setup.sh.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

DEST="$BUILD_ROOT/third_party/libyuv"
STAMP="$DEST/.debian-source-version"

if [ -f "$STAMP" ] && [ -f "$DEST/include/libyuv.h" ] && [ -f "$DEST/LICENSE" ]; then
    say "libyuv: source $(cat "$STAMP") in place"
    exit 0
fi

# deb822 files (*.sources): a Debian stanza with "Types: deb" and no deb-src
# gets "deb-src" added to its types. Other archives (whose source indexes
# may not exist) are left as they are.
add_src_types() {
    local file="$1" changed
    changed="$(mktemp)"
    awk '
        function flush() {
            if (n == 0) return
            if (debian && !disabled && typesLine > 0 && types ~ /(^|[ \t])deb([ \t]|$)/ && types !~ /deb-src/) {
                lines[typesLine] = lines[typesLine] " deb-src"
            }
            for (i = 1; i <= n; i++) print lines[i]
            n = 0; debian = 0; disabled = 0; typesLine = 0; types = ""
        }
        /^[ \t]*$/ { flush(); print; next }
        {
            lines[++n] = $0
            if ($0 ~ /^Types:/) { typesLine = n; types = substr($0, 7) }
            if ($0 ~ /^URIs:/ && $0 ~ /debian/) debian = 1
            if ($0 ~ /^Enabled:[ \t]*no/) disabled = 1
        }
        END { flush() }
    ' "$file" >"$changed"
    if ! cmp -s "$file" "$changed"; then
        say "libyuv: adding deb-src to $file"
        as_root cp "$changed" "$file"
        rm -f "$changed"
        return 0
    fi
    rm -f "$changed"
    return 1
}

# One-line files (sources.list, *.list): a "deb" line of a Debian archive
# without its "deb-src" twin gets one, in a file of our own.
add_src_lines() {
    local own="/etc/apt/sources.list.d/lumora-deb-src.list" added=1 line twin
    local files=()
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && files+=("$f")
    done
    [ ${#files[@]} -gt 0 ] || return 1
    while IFS= read -r line; do
        twin="deb-src${line#deb}"
        if ! grep -qxF -- "$twin" "${files[@]}" 2>/dev/null; then
            say "libyuv: adding \"$twin\" to $own"
            printf '%s\n' "$twin" | as_root tee -a "$own" >/dev/null
            files+=("$own")
            added=0
        fi
    done < <(grep -hE '^deb[ \t]' "${files[@]}" | grep -i 'debian' | sort -u)
    return "$added"
}

changed=0
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if add_src_types "$f"; then changed=1; fi
done
if add_src_lines; then changed=1; fi

if [ "$changed" -eq 1 ] || ! apt-cache showsrc libyuv 2>/dev/null | grep -q '^Package: libyuv'; then
    apt_update || true # an index left out need not be libyuv's
fi
if ! command -v dpkg-source >/dev/null; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends dpkg-dev
fi

# Download and unpack beside the destination, then move into place, so that
# an interrupted run leaves no half-unpacked source where CMake looks.
mkdir -p "$BUILD_ROOT/third_party"
work="$(mktemp -d "$BUILD_ROOT/third_party/libyuv-download.XXXXXX")"
# apt-get downloads as its own unprivileged user where it may write.
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
say "libyuv: apt-get source libyuv"
(cd "$work" && apt-get source -q libyuv >/dev/null)
unpacked="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libyuv-*' | head -n1)"
dsc="$(find "$work" -mindepth 1 -maxdepth 1 -name 'libyuv_*.dsc' | head -n1)"
if [ -z "$unpacked" ] || [ ! -f "$unpacked/include/libyuv.h" ]; then
    echo "libyuv-source.sh: apt-get source libyuv did not unpack the library" >&2
    exit 1
fi
version="$(sed -n 's/^Version: //p' "$dsc")"
printf '%s\n' "${version:-unknown}" >"$unpacked/.debian-source-version"
rm -rf "$DEST"
mv "$unpacked" "$DEST"
say "libyuv: source ${version:-unknown} in $DEST"
