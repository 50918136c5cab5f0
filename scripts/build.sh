#!/usr/bin/env bash
# Configures and builds into build/ (warnings are errors when CI=true or WERROR=1).
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
{ [ "${CI:-}" = "true" ] || [ "${WERROR:-}" = "1" ]; } && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLFEN_WERROR="$werror" >/dev/null
cmake --build build
