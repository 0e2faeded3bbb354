#!/usr/bin/env bash
# Installs the Debian packages Solvane needs to build, run and test.
# A no-op when they are all present; uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake g++ pkg-config make
  libsdl2-dev libglew-dev libluajit-5.1-dev libglm-dev libfftw3-dev libstb-dev libmpg123-dev
  libdeflate-dev  # captured frames' PNG compression, linked statically
  libpulse-dev  # PulseAudio output headers (the library is opened at run time), bench/pulse_sink_clock.c
)
# Every program a test runs: xvfb-run (xvfb, xauth), xdotool (key presses),
# ffmpeg and ffprobe (video capture), unshare and mount (a tiny full disk),
# GNU parallel (scripts/capture-split.sh).
if [ "${1:-}" = "--test" ] || [ "${1:-}" = "--sanitize" ]; then
  # python3: scripts/check_layout.sh, which the unit tests run.
  packages+=(python3 libgtest-dev xvfb xauth libgl1-mesa-dri libegl-mesa0 xdotool ffmpeg util-linux mount pulseaudio parallel)
fi
# Only for `solvane --video`.
if [ "${1:-}" = "--video" ]; then
  packages+=(ffmpeg)
fi
# The sanitizer build runs the whole suite: the test packages above, and
# GCC's sanitizer run-time libraries (shipped with g++, listed so a trimmed
# install still gets them).
if [ "${1:-}" = "--sanitize" ]; then
  packages+=(libasan8 libubsan1 libtsan2)
fi
# The fuzz targets need clang and libFuzzer.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libfuzzer-14-dev)
fi
# Only for remaking the committed content (tools/make_soundtrack encodes with lame).
if [ "${1:-}" = "--content" ]; then
  packages+=(lame imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
