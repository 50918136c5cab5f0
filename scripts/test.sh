#!/usr/bin/env bash
# Sets up, checks the formatting, builds, runs the sanitizer pass (scripts/sanitize.sh)
# and then every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
bash scripts/check-format.sh
bash scripts/build.sh
bash scripts/sanitize.sh
export QT_QPA_PLATFORM=offscreen
cd build && ctest --output-on-failure -j2
