#!/usr/bin/env bash
# Installs what a fresh Debian machine needs to build and test the driver:
# the i386 architecture, the mingw-w64 cross compilers, GoogleTest sources,
# 32- and 64-bit Wine, the GStreamer plugins behind Wine's AVI splitter (both
# architectures), Xvfb, CMake, FFmpeg (ffprobe), ImageMagick, ccache and NSIS
# (makensis, which builds the setup program), dpkg-dev (unpacks source
# packages); then the source of libyuv into the build tree (libyuv-source.sh).
# Checks every package and installs only what is missing; safe to run again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
          wine wine32:i386 wine64 xvfb ffmpeg imagemagick ccache nsis dpkg-dev
          gstreamer1.0-plugins-base gstreamer1.0-plugins-good
          gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    say "setup: all ${#packages[@]} packages present"
else
    say "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    updated=0
    apt_update || updated=1
    apt_install "$updated" "${missing[@]}"
fi

bash "$REPO/scripts/libyuv-source.sh"
