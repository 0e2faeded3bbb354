#!/usr/bin/env bash
# Builds Solvane with every test and runs them all: unit tests directly, GL and
# end-to-end tests inside a virtual X server (no display or GPU needed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_WERROR=ON >/dev/null
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -L unit -j"$(nproc)"
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -L 'gl|e2e'
# Then, on request, the whole suite again under AddressSanitizer and UBSan
# (leaks included): scripts/test.sh --sanitize (as CI runs it), or
# scripts/sanitize.sh alone.
if [ "${1:-}" = "--sanitize" ]; then
  cd .. && bash scripts/sanitize.sh
fi
