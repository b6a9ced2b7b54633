#!/bin/sh
# Makes the Debian packages from the build (into a temporary folder) and
# checks them as Debian's tools would: lintian with every tag, pedantic and
# informational ones included, must print no error and no warning; varnolt
# must not depend on LibreOffice's libraries, which only varnolt-office with
# the office helper brings. Skipped (77) where lintian is not installed.
set -eu
build=$1
if ! command -v lintian >/dev/null; then
  echo "lintian is not installed (setup.sh installs it): the packages are not checked"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
program=$(ls "$out"/varnolt_*.deb)

# The program's package holds no office helper and needs no UNO library.
if dpkg-deb -c "$program" | grep -q varnolt_office_helper; then
  echo "varnolt holds the office helper"; exit 1
fi
if dpkg-deb -f "$program" Depends | grep -Eq 'libuno|libreoffice'; then
  echo "varnolt depends on LibreOffice: $(dpkg-deb -f "$program" Depends)"; exit 1
fi
dpkg-deb -f "$program" Recommends | grep -q 'xdg-utils'
# The helper's package, where the helper is built, goes with this very
# version of the program and brings the office and the UNO runtime.
for office in "$out"/varnolt-office_*.deb; do
  [ -e "$office" ] || break
  version=$(dpkg-deb -f "$program" Version)
  depends=$(dpkg-deb -f "$office" Depends)
  for needed in "varnolt (= $version)" libreoffice-draw libreoffice-writer libuno-sal3; do
    case "$depends" in
      *"$needed"*) ;;
      *) echo "varnolt-office does not depend on $needed: $depends"; exit 1 ;;
    esac
  done
  dpkg-deb -c "$office" | grep -q 'usr/lib/varnolt/varnolt_office_helper$'
done

# --fail-on also fails a package lintian cannot read; the grep, any tag
# printed as an error or a warning.
status=0
lintian -EvIL +pedantic --fail-on error,warning "$out"/*.deb >"$out/lintian.txt" 2>&1 ||
  status=$?
if [ "$status" -ne 0 ] || grep -Eq '^(E|W):' "$out/lintian.txt"; then
  cat "$out/lintian.txt"
  echo "lintian finds errors or warnings in the packages (status $status)"
  exit 1
fi
echo "packages lint clean: $(cd "$out" && ls -- *.deb | tr '\n' ' ')"
