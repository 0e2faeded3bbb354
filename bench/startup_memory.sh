#!/usr/bin/env bash
# Start-up and memory of the real player on the shipped show, in a private copy
# of the working directory (Config.txt at the size given, res/ linked):
#  - start-up, RUNS times, with Mesa's rasteriser out (GALLIUM_NOOP=1) and the
#    audio drivers probed as on a machine without a sound card: milliseconds to
#    the window, the audio device, the script's build, "Starting playback!" and
#    the end of the first frame of the show (the second buffer swap), and the
#    main thread's time on a core and waiting for one up to the warm frame;
#  - resident memory after SECONDS of a real-time run on llvmpipe, split by
#    mapping (anonymous maps, heap, libLLVM and other files).
# The FFTW wisdom of the first start-up is kept for the later ones, as a player
# run twice in one folder keeps it.
#   bash bench/startup_memory.sh [build folder (default: build)] [RUNS (3)] [SECONDS (30)] [WxH (1280x720)]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-3}"
seconds="${3:-30}"
size="${4:-1280x720}"
[ -x "$build/solvane" ] || { echo "no $build/solvane: build first" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed (bash scripts/deps.sh --test)" >&2; exit 2; }

work=$(mktemp -d /tmp/solvane-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
cc -O2 -shared -fPIC -o "$work/shim.so" "$root/bench/startup_shim.c" -ldl
mkdir "$work/show"
ln -s "$root/res" "$work/show/res"
printf 'ViewportWidth = %s;\nViewportHeight = %s;\nMSAA = 4;\nFullscreen = false;\nVSync = true;\n' \
  "${size%x*}" "${size#*x}" > "$work/show/Config.txt"
cp "$build/solvane" "$work/solvane"
cd "$work/show"

at() { awk -v p="$1" 'index($0, p) { print $1; exit }' "$2"; }
echo "start-up (ms since the player was loaded; GALLIUM_NOOP=1; load: $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-4s %8s %8s %8s %8s %10s %11s %9s %9s\n' run window audio lua build playback first-frame on-core waited
for i in $(seq 1 "$runs"); do
  timeline="$work/timeline.$i"
  SOLVANE_TIMELINE="$timeline" LD_PRELOAD="$work/shim.so" GALLIUM_NOOP=1 \
    xvfb-run -a -s "-screen 0 1920x1080x24" timeout -s KILL 10 "$work/solvane" >/dev/null 2>&1 || true
  printf '%-4s %8s %8s %8s %8s %10s %11s %9s %9s\n' "$i" "$(at 'Initialized window' "$timeline")" \
    "$(at 'initialized Audio Device' "$timeline")" "$(at 'initialized Lua' "$timeline")" \
    "$(at 'Warming renders' "$timeline")" "$(at 'Starting playback' "$timeline")" \
    "$(awk '$2 == "swap" { n++; if (n == 2) { print $1; exit } }' "$timeline")" \
    "$(awk '$2 == "main-thread" { print $3; exit }' "$timeline")" "$(awk '$2 == "main-thread" { print $4; exit }' "$timeline")"
done

echo "resident memory after $seconds s on llvmpipe at $size (kB; load: $(cut -d' ' -f1-3 /proc/loadavg))"
xvfb-run -a -s "-screen 0 1920x1080x24" timeout -s KILL $((seconds + 30)) "$work/solvane" >/dev/null 2>&1 &
runner=$!
pid=""
for _ in $(seq 100); do pid=$(pgrep -xf "$work/solvane" | head -1 || true); [ -n "$pid" ] && break; sleep 0.05; done
[ -n "$pid" ] || { echo "the player did not start" >&2; exit 1; }
sleep "$seconds"
grep -E '^(Rss|Anonymous):' "/proc/$pid/smaps_rollup"
awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 == "" ? "[anonymous maps]" : $6 }
     /^Rss:/ { rss[name] += $2 }
     END { for (n in rss) if (rss[n] >= 1024) printf "%8d %s\n", rss[n], n }' "/proc/$pid/smaps" | sort -rn
kill -KILL "$pid" 2>/dev/null || true
wait "$runner" 2>/dev/null || true
