#!/usr/bin/env bash
# Checks a package made by scripts/package.sh the way a stock machine would see
# it: the system's SDL2, GLEW, LuaJIT, FFTW and mpg123 are hidden (bind mounts
# of /dev/null over them in a private mount namespace: needs root), and so is
# libdeflate, which the player links statically, then the
# unpacked package must capture lit frames without a display, and from a
# read-only mount must play under Xvfb and capture, its log where stderr says.
# Usage: bash scripts/test-package.sh [dist/NAME-linux-x86_64.tar.gz]
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }
# A frame is lit when its brightest pixel is above black. Checked outside the
# namespace: ffmpeg needs the hidden SDL2 itself.
lit() {
  [ -f "$1" ] || return 1
  ffmpeg -v error -i "$1" -vf signalstats,metadata=print:key=lavfi.signalstats.YMAX:file=- -f null - |
    awk -F= '/YMAX/ { found = 1; if ($2 + 0 <= 16) exit 1 } END { exit !found }'
}

if [ -z "${SOLVANE_HIDDEN:-}" ]; then
  tarball=$(realpath "${1:-$(ls dist/*-linux-x86_64.tar.gz | head -n 1)}")
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  tar -C "$work" -xzf "$tarball"
  unshare -m env SOLVANE_HIDDEN="$work" bash "$0" || exit 1
  pkg=$(echo "$work"/*-linux-x86_64)
  lit "$pkg/f/frame_000019.png" || fail "headless capture: the last frame is black"
  lit "$work/g/frame_000004.png" || fail "capture from the read-only mount: the last frame is black"
  echo "ok: the frames are lit"
  exit 0
fi
work=$SOLVANE_HIDDEN

libs=/usr/lib/x86_64-linux-gnu
for f in "$libs"/{libSDL2,libGLEW,libluajit,libfftw3f,libmpg123,libdeflate}*.so*; do
  [ -L "$f" ] || mount --bind /dev/null "$f"
done
[ ! -s "$libs/libSDL2-2.0.so.0" ] || { echo "FAIL: the system's SDL2 is not hidden"; exit 1; }

pkg=$(echo "$work"/*-linux-x86_64)
cd "$pkg"
if ldd ./solvane | grep -E 'not found|=> /usr/lib|=> /lib' | grep -E 'SDL2|GLEW|luajit|fftw3f|mpg123'; then
  fail "a bundled library resolves to the system's"
fi
env -u DISPLAY SDL_VIDEODRIVER=offscreen ./solvane --capture f --to 2 --fps 10 2> "$work/stderr" ||
  fail "headless capture exited $?"
[ "$(ls f | wc -l)" -eq 20 ] || fail "headless capture wrote $(ls f | wc -l) frames, not 20"
echo "ok: headless capture with the system's libraries hidden: 20 frames"

rm -f Log.txt fftw_wisdom.txt
mount -o bind,ro "$pkg" "$pkg"
cd "$pkg"
! touch probe 2> /dev/null || fail "the read-only mount can be written"
export HOME="$work/home"
unset XDG_STATE_HOME
# SDL ends the show on SIGTERM as on a closed window: status 0.
xvfb-run -a -s "-screen 0 1280x720x24" timeout --preserve-status -s TERM 25 ./solvane 2> "$work/stderr" ||
  fail "real-time play from the read-only mount exited $?"
log=$(sed -n 's/^solvane: the working folder cannot be written; the log is //p' "$work/stderr")
[ "$log" = "$HOME/.local/state/solvane/$(basename "$pkg")/Log.txt" ] || fail "stderr names the log as '$log'"
grep -qx "Starting playback!" "$log" || fail "the show did not start playing (see $log)"
grep -qx "Successfully shut down SDL" "$log" || fail "the show did not shut down cleanly"
echo "ok: real-time play from a read-only mount, log at $log"

env -u DISPLAY SDL_VIDEODRIVER=offscreen ./solvane --capture "$work/g" --from 1 --to 2 --fps 5 2> "$work/stderr" ||
  fail "capture from the read-only mount exited $?"
[ "$(ls "$work/g" | wc -l)" -eq 5 ] || fail "capture from the read-only mount wrote $(ls "$work/g" | wc -l) frames"
echo "ok: capture from a read-only mount into a writable folder"
