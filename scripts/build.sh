#!/usr/bin/env bash
# Configures and builds into build/ (warnings are errors when CI=true or WERROR=1).
#   build.sh run    the programs only (no GoogleTest needed)
#   build.sh        the programs, the tests and the benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
{ [ "${CI:-}" = "true" ] || [ "${WERROR:-}" = "1" ]; } && werror=ON
extras=ON
[ "${1:-}" = "run" ] && extras=OFF
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLFEN_WERROR="$werror" \
  -DQUILLFEN_BUILD_TESTS="$extras" -DQUILLFEN_BUILD_BENCH="$extras" >/dev/null
cmake --build build
