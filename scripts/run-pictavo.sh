#!/usr/bin/env bash
# Sets up, builds and starts Pictavo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
bash scripts/build.sh run
exec build/bin/pictavo "$@"
