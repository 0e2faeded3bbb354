#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for the
# given number of seconds (default 60), one after the other, from seed corpora
# made of the shipped and test files. Crashing inputs land in
# fuzz-out/<target>/; keep each as a regression case in fuzz/regressions/<target>/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(config track_file track_text exm image mp3 factory editor_link)

bash scripts/deps.sh --fuzz
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_FUZZ=ON -DSOLVANE_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

# Seeds: every file of the kind each reader takes, from res/ and tests/fixtures/.
seed() {
  local target="$1"; shift
  mkdir -p "fuzz-out/$target/corpus"
  for f in "$@"; do [ -f "$f" ] && cp "$f" "fuzz-out/$target/corpus/" || true; done
  if [ -d "fuzz/regressions/$target" ]; then cp fuzz/regressions/"$target"/* "fuzz-out/$target/corpus/" 2>/dev/null || true; fi
}
shopt -s nullglob globstar
seed config Config.txt tests/fixtures/**/*.txt
seed track_file res/sync/*.track tests/fixtures/**/*.track
seed track_text res/sync/*.tracks tests/fixtures/**/*.tracks
seed exm res/models/*.exm tests/fixtures/**/*.exm
seed image res/textures/*.png res/textures/*.jpg tests/fixtures/images/*
seed mp3 tests/fixtures/audio/*.mp3
seed factory
printf 'ring\x05\x03\x00\x00\x80\x3f\x03\x00\x00\x00\x00\x00\x00\x24\x40' > fuzz-out/factory/corpus/ring
printf '\x0e\x07\x02\x00\x01\x00\x00\x02\x00\x01\x00\x00\x02\x01\x00\x00\x00\x01\x01\x05\x04RGBA\x02\x04\x00\x00\x00' \
  > fuzz-out/factory/corpus/sceneBuffer
# Editor messages: keys on the three tracks the target asks for, a deletion, a
# row jump, pause and play, a save; and one key split by the end of the input.
seed editor_link
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x10\x3f\x80\x00\x00\x01\x00\x00\x00\x00\x01\x00\x00\x00\x20\x40\x00\x00\x00\x02' \
  > fuzz-out/editor_link/corpus/keys
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x10\x03\x00\x00\x01\x00\x04\x01\x03\x00\x00\x00\x40\x04\x00\x05' \
  > fuzz-out/editor_link/corpus/seek_pause_save
printf '\x00\x00\x00\x00\x02\x00\x00\x00\x08\x7f\xc0' > fuzz-out/editor_link/corpus/cut_short

for target in "${targets[@]}"; do
  dict=()
  [ -f "fuzz/dict/$target.dict" ] && dict=(-dict="fuzz/dict/$target.dict")
  echo "== fuzz_$target for $seconds s"
  # -max_len keeps the corpus small; the MP3 and image seeds are whole files.
  max_len=4096
  case "$target" in mp3|image) max_len=65536 ;; esac
  build-fuzz/fuzz/fuzz_"$target" "fuzz-out/$target/corpus" "${dict[@]}" -max_total_time="$seconds" \
    -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="fuzz-out/$target/" 2>&1 | tee "fuzz-out/$target.log" | grep -E "^#|==|Done|stat::" | tail -n 8
done
