#!/usr/bin/env bash
# Sets up, builds (Release, Debian's hardening flags) and packages the programs
# as a .deb in build-package/, then checks it: the files it installs and lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh package
export CFLAGS="$(dpkg-buildflags --get CFLAGS)" CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS)"
export CPPFLAGS="$(dpkg-buildflags --get CPPFLAGS)" LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
CXXFLAGS="$CPPFLAGS $CXXFLAGS"
CFLAGS="$CPPFLAGS $CFLAGS"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLFEN_BUILD_TESTS=OFF \
  -DQUILLFEN_BUILD_BENCH=OFF -DQUILLFEN_BUILD_MANPAGES=ON >/dev/null
cmake --build build-package
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls -t build-package/quillfen_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
bash scripts/check-install.sh "$root/usr"
lintian --fail-on error,warning "$deb"
echo "$deb"
