#!/usr/bin/env bash
# The soundtrack clock on a real output: bench/audio_clock for 60 s (20 seeks
# first) through SDL's pulseaudio driver on a private PulseAudio null sink.
#   bash bench/audio_clock_pulse.sh [build folder (default: build)] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-60}"
[ -x "$build/audio_clock" ] || { echo "no $build/audio_clock: build first" >&2; exit 2; }
exec bash "$root/scripts/with_null_sink.sh" --timeout "$((seconds + 60))" \
  "$build/audio_clock" "$root/res/audio/melody2.mp3" "$seconds" --seeks 20
