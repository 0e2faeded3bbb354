#!/usr/bin/env bash
# Renders one capture in N parts side by side with GNU parallel, on this machine
# or on other hosts over ssh, and joins them: the frames are byte-identical to a
# one-part run, because each part pre-rolls its scene from 0 as every capture does.
#
# Usage: scripts/capture-split.sh --parts N [--sshlogin LIST] [--player PATH] -- \
#          --capture DIR --to S [--from S] [--fps N] [--size WxH] [--video FILE.mp4 [--video-quality Q]]
# Run it in the show's folder (Config.txt, res/). --player defaults to this
# repository's build/solvane. With --sshlogin (GNU parallel's host list) every
# host needs the same player and show at the same paths; DIR must then be relative.
#
# With --video each part encodes its own H.264 (x264's GOPs are closed, so a part
# starts with a key frame) and the parts are joined without re-encoding: the
# encoding is spread over the hosts like the rendering. The audio is taken once
# from the soundtrack for the whole range, so it runs on across the joins.
set -euo pipefail
usage() { echo "usage: capture-split.sh --parts N [--sshlogin LIST] [--player PATH] -- --capture DIR --to S ..." >&2; exit 2; }
parts="" sshlogin="" player="$(cd "$(dirname "$0")/.." && pwd)/build/solvane"
while [ $# -gt 0 ]; do
  case $1 in
    --parts) parts=${2:-}; shift 2 ;;
    --sshlogin) sshlogin=${2:-}; shift 2 ;;
    --player) player=${2:-}; shift 2 ;;
    --) shift; break ;;
    *) usage ;;
  esac
done
[[ $parts =~ ^[1-9][0-9]*$ ]] || usage
dir="" from=0 to="" fps=60 video="" pass=()
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --capture) dir=$2 ;;
    --from) from=$2 ;;
    --to) to=$2 ;;
    --fps) fps=$2 ;;
    --video) video=$2 ;;
    --size | --video-quality) pass+=("$1" "$2") ;;
    *) echo "capture-split.sh: $1 is not a capture option" >&2; exit 2 ;;
  esac
  shift 2
done
[ -n "$dir" ] && [ -n "$to" ] || { echo "capture-split.sh: --capture DIR and --to S are needed" >&2; exit 2; }
command -v parallel >/dev/null || { echo "capture-split.sh: needs GNU parallel (Debian package parallel)" >&2; exit 1; }

# The player's own frame count: ceil((to - from) * fps) less rounding noise.
total=$(awk -v f="$from" -v t="$to" -v r="$fps" 'BEGIN { n = (t - f) * r - 1e-6; c = int(n); if (c < n) c++; print c }')
[ "$total" -gt 0 ] || { echo "capture-split.sh: the range is empty" >&2; exit 2; }
[ "$parts" -le "$total" ] || parts=$total
work=${dir%/}.parts
rm -rf "$work"
mkdir -p "$work" "$dir"

# One line per part: index, first frame, its start and end in seconds (%.17g: the
# player's own frame times come out of the same doubles).
awk -v f="$from" -v r="$fps" -v n="$total" -v p="$parts" 'BEGIN {
  for (k = 0; k < p; k++) { a = int(k * n / p); b = int((k + 1) * n / p)
    printf "%d %d %.17g %.17g\n", k, a, f + a / r, f + b / r } }' > "$work/ranges"

command="$(printf '%q ' "$player") --capture $(printf '%q' "$work")/part_{1} --from {3} --to {4} --fps $fps"
[ -z "$video" ] || command+=" --video $(printf '%q' "$work")/part_{1}.mp4"
[ ${#pass[@]} -eq 0 ] || command+=" $(printf '%q ' "${pass[@]}")"
remote=()
[ -z "$sshlogin" ] || remote=(--sshlogin "$sshlogin" --workdir "$PWD" --return "$work/part_{1}" --cleanup)
[ -z "$sshlogin" ] || [ -z "$video" ] || remote+=(--return "$work/part_{1}.mp4")
parallel --will-cite --halt now,fail=1 --colsep ' ' -j "$parts" "${remote[@]}" "$command" :::: "$work/ranges"

# Each part's frames, renumbered into DIR.
while read -r k first _; do
  for file in "$work/part_$k"/frame_*.png; do
    index=${file##*/frame_}
    mv "$file" "$(printf '%s/frame_%06d.png' "$dir" $((10#${index%.png} + first)))"
  done
done < "$work/ranges"

if [ -n "$video" ]; then
  while read -r k _; do printf "file '%s/part_%s.mp4'\n" "$(cd "$work" && pwd)" "$k"; done < "$work/ranges" > "$work/parts.txt"
  seconds=$(awk -v n="$total" -v r="$fps" 'BEGIN { printf "%.6f", n / r }')
  ffmpeg -hide_banner -loglevel error -nostdin -y -f concat -safe 0 -i "$work/parts.txt" \
    -ss "$from" -t "$seconds" -i res/audio/melody2.mp3 -map 0:v:0 -map 1:a:0 -c:v copy \
    -c:a aac -profile:a aac_low -ac 2 -b:a 192k -t "$seconds" -movflags +faststart "$video"
fi
rm -rf "$work"
echo "capture-split.sh: $total frames in $parts parts in $dir${video:+ and $video}"
