#!/usr/bin/env bash
# Remakes the README's strip of stills (docs/still_*.png) from the shipped show
# with the player's own capture, headless. Run after a build: bash scripts/stills.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
player="$(cd "$build" && pwd)/solvane"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r res Config.txt "$work"/
mkdir -p docs
for t in 12 28 52 72; do
  (cd "$work" && SDL_VIDEODRIVER=offscreen "$player" --capture "s$t" --from "$t" --to "$t.01" --size 480x270 2>/dev/null)
  cp "$work/s$t/frame_000000.png" "docs/still_$(printf %02d "$t")s.png"
done
ls -l docs/still_*.png
