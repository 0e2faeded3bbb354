#!/usr/bin/env bash
# The soak test: the shipped show for five minutes (or SOLVANE_SOAK_SECONDS)
# with the script and a shader saved over and over, printing the heap in use,
# RSS, the longest frame gap and the load each minute; then 200 reloads in a
# row. Not part of scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_WERROR=ON >/dev/null
cmake --build build-test -j"$(nproc)" --target soak_tests
cd build-test
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -V -L soak --timeout 900
