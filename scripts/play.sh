#!/usr/bin/env bash
# Builds Solvane and plays the show in res/ from the repository root.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSOLVANE_TESTS=OFF >/dev/null
cmake --build build --target solvane -j"$(nproc)"
exec ./build/solvane
