#!/usr/bin/env bash
# Checks an installed tree (a prefix such as /usr, or one that `cmake --install
# --prefix` or `dpkg-deb -x` filled): desktop entries, AppStream metadata,
# icons, manual pages, and every program's --help and --version without a
# display. Needs desktop-file-utils, appstream and man-db (setup.sh package).
set -euo pipefail
prefix=${1:?usage: check-install.sh PREFIX}
programs=(pictavo cairnly pictavo-catalogue pictavo-export cairnly-report)
failed=0
fail() { echo "check-install: $*" >&2; failed=1; }

desktop-file-validate "$prefix"/share/applications/{pictavo,cairnly}.desktop || fail "desktop entries"
for metainfo in "$prefix"/share/metainfo/*.metainfo.xml; do
  appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null || fail "$metainfo"
done
for name in pictavo cairnly; do
  for size in 16 22 24 32 48 64 128 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/$name.png" ] || fail "$name icon $size"
  done
  [ -s "$prefix/share/icons/hicolor/scalable/apps/$name.svg" ] || fail "$name scalable icon"
done
for program in "${programs[@]}"; do
  page="$prefix/share/man/man1/$program.1.gz"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "$page"
  [ -z "$warnings" ] || fail "$page: $warnings"
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --help) ||
    fail "$program --help"
  [[ "$help" == "Usage: $program "* ]] || fail "$program --help does not start with its usage"
  version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version) ||
    fail "$program --version"
  [[ "$version" =~ ^$program\ [0-9]+\.[0-9]+\.[0-9]+$'\n' ]] || fail "$program --version: $version"
done
[ -s "$prefix/share/quillfen/site/index.html" ] || fail "the site copy"
[ $failed -eq 0 ] && echo "check-install: $prefix is complete"
exit $failed
