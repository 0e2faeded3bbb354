#!/usr/bin/env bash
# The soundtrack clock on a real output: bench/audio_clock for SECONDS (20 seeks
# first) on a private PulseAudio null sink. Beside it bench/pulse_sink_clock
# records what the sink plays, with the sink's own played position from
# PulseAudio's latency; bench/heard_position then finds the soundtrack in that
# recording at each of the clock's polls. The main figure is the clock against
# the audio played; the rest are audio_clock's own figures against the wall clock.
#   bash bench/audio_clock_pulse.sh [build folder (default: build)] [seconds]
# SOLVANE_CLOCK_TRACES=DIR keeps the recording and both traces.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-60}"
for program in audio_clock heard_position; do
  [ -x "$build/$program" ] || { echo "no $build/$program: build first" >&2; exit 2; }
done
work=$(mktemp -d /tmp/solvane-clock.XXXXXX)
trap 'rm -rf "$work"' EXIT
soundtrack="$root/res/audio/melody2.mp3"
cc -O2 -Wall -o "$work/pulse_sink_clock" "$root/bench/pulse_sink_clock.c" -lpulse -lm
# The recording outlasts the clock's seeks and polls, so it covers every poll.
bash "$root/scripts/with_null_sink.sh" --timeout "$((seconds + 60))" bash -c '
  "$1" "$(($2 + 12))" --record "$5/sink" & reference=$!
  "$3" "$4" "$2" --seeks 20 --trace "$5/clock.trace"
  wait "$reference"' _ "$work/pulse_sink_clock" "$seconds" "$build/audio_clock" "$soundtrack" "$work"
"$build/heard_position" "$soundtrack" "$work/sink" "$work/clock.trace"
[ -z "${SOLVANE_CLOCK_TRACES:-}" ] || cp "$work"/sink.* "$work/clock.trace" "$SOLVANE_CLOCK_TRACES/"
