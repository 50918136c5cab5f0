#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs every test.
# The sanitizer pass is a separate command: bash scripts/sanitize.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
bash scripts/check-format.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build && ctest --output-on-failure -j2
