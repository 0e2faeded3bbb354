#!/usr/bin/env bash
# The soundtrack clock on a real output: bench/audio_clock for SECONDS (20 seeks
# first) on a private PulseAudio null sink. Beside it, on the same sink,
# bench/pulse_sink_clock takes the sink's played position from PulseAudio's own
# latency; the main figure is the clock against that position (the audio
# heard), the rest are audio_clock's own figures against the wall clock.
#   bash bench/audio_clock_pulse.sh [build folder (default: build)] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-60}"
[ -x "$build/audio_clock" ] || { echo "no $build/audio_clock: build first" >&2; exit 2; }
work=$(mktemp -d /tmp/solvane-clock.XXXXXX)
trap 'rm -rf "$work"' EXIT
cc -O2 -Wall -o "$work/pulse_sink_clock" "$root/bench/pulse_sink_clock.c" -lpulse-simple -lpulse -lm
# The reference outlasts the clock's seeks and polls, so it covers every poll.
bash "$root/scripts/with_null_sink.sh" --timeout "$((seconds + 60))" bash -c '
  "$1" "$(($2 + 12))" --trace "$5/sink.trace" & reference=$!
  "$3" "$4" "$2" --seeks 20 --trace "$5/clock.trace"
  wait "$reference"' _ "$work/pulse_sink_clock" "$seconds" "$build/audio_clock" "$root/res/audio/melody2.mp3" "$work"
"$work/pulse_sink_clock" --compare "$work/sink.trace" "$work/clock.trace"
