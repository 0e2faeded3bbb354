#!/usr/bin/env bash
# The soundtrack clock on a real output: bench/audio_clock for 60 s (20 seeks
# first) through SDL's pulseaudio driver on a private PulseAudio null sink.
# Beside it, on the same sink, bench/pulse_sink_clock measures the sink itself
# from PulseAudio's own latency: how far the sink strays from the wall clock
# is the floor under the clock's drift figure.
#   bash bench/audio_clock_pulse.sh [build folder (default: build)] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-60}"
[ -x "$build/audio_clock" ] || { echo "no $build/audio_clock: build first" >&2; exit 2; }
work=$(mktemp -d /tmp/solvane-clock.XXXXXX)
trap 'rm -rf "$work"' EXIT
cc -O2 -Wall -o "$work/pulse_sink_clock" "$root/bench/pulse_sink_clock.c" -lpulse-simple -lpulse
bash "$root/scripts/with_null_sink.sh" --timeout "$((seconds + 60))" bash -c '
  "$1" "$2" & reference=$!
  "$3" "$4" "$2" --seeks 20
  wait "$reference"' _ "$work/pulse_sink_clock" "$seconds" "$build/audio_clock" "$root/res/audio/melody2.mp3"
