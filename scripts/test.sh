#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs every test, then runs the whole
# suite again under the sanitizers (scripts/sanitize.sh). SANITIZE=0 leaves the
# sanitizer pass out for a quicker local run; CI always runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
bash scripts/check-format.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j2)
[ "${SANITIZE:-1}" = "0" ] || bash scripts/sanitize.sh
