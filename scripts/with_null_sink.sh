#!/usr/bin/env bash
# Runs a command with a private PulseAudio server whose only output is a null
# sink (no sound card needed), then stops that server by its PID. The command
# plays through SDL's pulseaudio driver. Needs the Debian package pulseaudio
# (scripts/deps.sh --test). Usage: with_null_sink.sh [--timeout S] COMMAND...
set -euo pipefail

limit=120
if [ "${1:-}" = "--timeout" ]; then limit=$2; shift 2; fi
[ $# -gt 0 ] || { echo "usage: $0 [--timeout seconds] command..." >&2; exit 2; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed (bash scripts/deps.sh --test)" >&2; exit 2; }

dir=$(mktemp -d /tmp/solvane-pulse.XXXXXX)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap cleanup EXIT

# A per-user server with its own runtime folder and socket, so it never meets a
# desktop's server; as root it only warns. No idle exit, no shared memory, no
# modules beyond the two named, and a hard time limit in case we are killed.
mkdir -p "$dir/run" "$dir/home"
HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" PULSE_RUNTIME_PATH="$dir/run" \
  timeout "$((limit + 30))" pulseaudio -n --daemonize=no --system=no --use-pid-file=no \
  --exit-idle-time=-1 --disable-shm=yes --realtime=yes --high-priority=yes --log-target=stderr \
  --load="module-null-sink sink_name=solvane_null rate=44100 channels=2" \
  --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
  >"$dir/pulse.log" 2>&1 &
pid=$!

export PULSE_SERVER="unix:$dir/native" SDL_AUDIODRIVER=pulseaudio
for _ in $(seq 100); do
  [ -S "$dir/native" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$dir/native" ]; then
  echo "the PulseAudio server did not start:" >&2
  cat "$dir/pulse.log" >&2
  exit 2
fi

status=0
timeout "$limit" "$@" || status=$?
exit "$status"
