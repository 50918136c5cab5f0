#!/usr/bin/env bash
# Installs the Debian 12 packages a task needs:
#   setup.sh run       build and run the programs
#   setup.sh test      build, format-check and run the tests
#   setup.sh bench     run the benchmarks against their peer tools
#   setup.sh package   build the .deb and check it (manual pages, validators, lintian)
#   setup.sh dev       all of the above, clang-format and a virtual display
# Several tasks may be named; none means dev. Safe to run again: it only asks
# apt for what is missing.
set -euo pipefail

build=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libcrypto++-dev libexiv2-dev libturbojpeg0-dev libjpeg-dev
)
run=(qt6-image-formats-plugins fonts-dejavu-core xdg-utils)
test=(qt6-image-formats-plugins fonts-dejavu-core googletest libgtest-dev libgmock-dev clang-format
  libimage-exiftool-perl)
bench=(exiv2 fdupes jdupes rmlint rdfind)
package=(help2man desktop-file-utils appstream lintian file man-db)
dev=(clang-format xvfb xauth)

tasks=("$@")
[ ${#tasks[@]} -eq 0 ] && tasks=(dev)
packages=("${build[@]}")
for task in "${tasks[@]}"; do
  case "$task" in
    run) packages+=("${run[@]}") ;;
    test) packages+=("${test[@]}") ;;
    bench) packages+=("${bench[@]}") ;;
    package) packages+=("${package[@]}") ;;
    dev) packages+=("${run[@]}" "${test[@]}" "${bench[@]}" "${package[@]}" "${dev[@]}") ;;
    *) echo "setup.sh: unknown task '$task' (run, test, bench, package or dev)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
