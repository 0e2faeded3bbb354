#!/usr/bin/env bash
# Replays the attacks from outside (files that are not files, a hasty sync editor,
# signals, tracktool's inputs, oversized objects) against a built player and
# tracktool, one line of result each. Run it under xvfb-run (the play-mode cases
# open a window). Usage: scripts/outside_repro.sh [BUILD_DIR]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
player=$build/solvane tool=$build/tracktool
work=$(mktemp -d /tmp/solvane-outside.XXXXXX)
trap 'rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

fresh() { rm -rf "$work/s"; mkdir -p "$work/s"; cp -r "$root/res" "$root/Config.txt" "$work/s/"; cd "$work/s" || exit 1; }
# A short capture without a display; status, then the player's own stderr line(s).
capture() {
  SDL_VIDEODRIVER=offscreen timeout 120 "$player" --capture out --from 0 --to 0.3 --fps 10 --size 160x90 "$@" \
    2> err.txt
  echo "status $? | $(grep -a '^solvane: ' err.txt | grep -v 'frames of' | head -2 | tr '\n' ' ')"
}
logged() { grep -a -m1 "$1" Log.txt || echo "(no line with '$1')"; }
result() { printf '%-44s %s\n' "$1" "$2"; }
# Plays the show for `seconds`, runs `action` meanwhile, then ends it with SIGTERM.
play_with() {
  local seconds=$1 action=$2
  timeout 120 "$player" 2> err.txt & local pid=$!
  for _ in $(seq 300); do grep -qs "Starting playback!" Log.txt && break; sleep 0.1; done
  eval "$action"; sleep "$seconds"; kill -TERM $pid; wait $pid; echo $?
}

# 1, 2: a directory or a FIFO where a file is expected.
for f in Config.txt res/scripts/scene.lua res/models/Fish.exm res/shaders/VN.vert res/textures/Rock.png \
         res/audio/melody2.mp3 res/sync/_Camera.Mode.track; do
  for kind in dir fifo; do
    fresh; rm -f "$f"; if [ $kind = dir ]; then mkdir "$f"; else mkfifo "$f"; fi
    result "$kind as $f" "$(capture)"
  done
done
fresh; st=$(play_with 2 'rm res/models/Fish.exm; mkdir res/models/Fish.exm; touch res/scripts/scene.lua')
result "mid-show: Fish.exm made a directory" "status $st | $(logged "Fish.exm': it")"
fresh; st=$(play_with 2 'rm res/shaders/Wireframe.frag; mkfifo res/shaders/Wireframe.frag; touch res/shaders/Wireframe.vert')
result "mid-show: Wireframe.frag made a FIFO" "status $st | $(logged "Wireframe.frag': it")"
fresh; mkdir -p sync/_X.track; "$tool" decompile sync > /dev/null 2> err.txt
result "tracktool decompile, _X.track a directory" "status $? | $(head -1 err.txt)"

# 9: a file restored with an older time.
fresh; cp -p res/shaders/Wireframe.frag old.frag; touch -d '2001-01-01' old.frag
st=$(play_with 2 'mv old.frag res/shaders/Wireframe.frag')
result "shader restored with an older time" "status $st | $(logged 'Wireframe.frag')"

# 3-6: a hasty editor (a stand-in in Python) against the player.
editor() {
  python3 - "$1" <<'PY' &
import socket, struct, sys, time
what = sys.argv[1]
srv = socket.socket(); srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", 13380)); srv.listen(1); srv.settimeout(60)
c, _ = srv.accept(); c.recv(19); c.sendall(b"hello, demo!"); c.recv(1)  # a track asked for
key = lambda row, value: b"\x00" + struct.pack(">IIfB", 0, row, value, 1)
if what == "saves": c.sendall(b"\x05" * 2000)
if what == "descending": c.sendall(b"".join(key(r, 1.0) for r in range(300000, 0, -1)))
if what == "seek": c.sendall(b"".join(b"\x03" + struct.pack(">I", 10**8) for _ in range(100000)))
if what == "nan": c.sendall(key(5, float("nan")) + b"\x05")
time.sleep(4); c.close()
PY
}
for what in saves descending seek nan; do
  fresh; editor $what; sleep 3
  SDL_VIDEODRIVER=offscreen timeout 60 "$player" --sync-editor 127.0.0.1:13380 2> err.txt & pid=$!
  sleep 9; kill -TERM $pid; wait $pid; st=$?; wait
  result "editor: $what" "status $st | log $(wc -l < Log.txt) lines | tmp files $(ls res/sync | grep -c tmp) | $(grep -a -m1 'past the end\|NaN\|saved' Log.txt)"
done

# 7, 8, 12: signals during capture, start-up failures, a video name like an option.
for sig in INT TERM HUP; do
  fresh; SDL_VIDEODRIVER=offscreen "$player" --capture out --video v.mp4 --from 0 --to 30 --fps 30 --size 160x90 2> err.txt & pid=$!
  for _ in $(seq 600); do [ -e out/frame_000010.png ] && break; sleep 0.1; done
  kill -$sig $pid; wait $pid; st=$?
  d=$(ffprobe -v error -show_entries stream=duration -of csv=p=0 v.mp4 2>/dev/null | tr '\n' ' ')
  result "capture ended by SIG$sig" "status $st | $(ls out | wc -l) frames | video/audio s: $d| $(grep -a '^solvane' err.txt | tail -1)"
done
fresh; result "capture of 16384x16384" "$(SDL_VIDEODRIVER=offscreen "$player" --capture out --size 16384x16384 2>&1 | grep -a '^solvane' | head -1; echo " status ${PIPESTATUS[0]}")"
fresh; rm -f Log.txt; mkdir Log.txt; result "Log.txt a directory" "$(capture)"
fresh; result "--video -y.mp4" "$(capture --video -y.mp4) | files: $(ls -- *.mp4 2>/dev/null | tr '\n' ' ')"

# 10: objects too large for memory.
for make in 'object.new("ring", 5, 0.000001)' 'object.new("sceneCubeBuffer", 100000, 100000, "RGBA16F")'; do
  fresh; printf 'function build()\n scene.getRoot():addChild(%s)\n return true\nend\nfunction render(t) scene.getRoot():render(t) end\n' "$make" \
    > res/scripts/scene.lua
  result "$make" "$(capture) | $(grep -a -m1 'GiB' Log.txt)"
done

# 11, 13: tracktool's inputs, a track file with interpolation 7, shutdown after a failed reload.
fresh; mkdir -p t
result "tracktool plot --from 1e30 --to 1e31" "$(timeout 60 "$tool" plot res/sync p.png --from 1e30 --to 1e31 2>&1 | tail -1; echo " status ${PIPESTATUS[0]}")"
names=$(seq -s, -f 'T%g' 5000)
result "tracktool plot with 5000 --tracks" "$(/usr/bin/time -f ' max RSS %M kB' timeout 60 "$tool" plot res/sync p.png --tracks "$names" 2>&1 | grep -v 'no such track' | tr '\n' ' ')"
printf '[A]\n0 1\n' > a.tracks; printf '[B]\n0 2\n' > b.tracks; "$tool" compile t a.tracks b.tracks > /dev/null
rm t/_B.track; mkdir t/_B.track; before=$(md5sum < t/_A.track); printf '[A]\n0 5\n' > a.tracks
result "tracktool compile, one output unwritable" "$("$tool" compile t a.tracks b.tracks 2>&1 | head -1) | _A.track unchanged: $([ "$before" = "$(md5sum < t/_A.track)" ] && echo yes || echo no)"
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x3f\x07' > res/sync/_Camera.Mode.track
capture > /dev/null; result "track file with interpolation 7" "$(logged 'interpolation type')"
fresh; st=$(play_with 1 'printf "garbage" > res/shaders/VN.frag; touch res/textures/Rock.png')
result "shutdown after a failed reload" "status $st | 'Failed to Destroy' lines: $(grep -c 'Failed to Destroy' Log.txt)"
