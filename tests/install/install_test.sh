#!/bin/sh
# Installs the build into a temporary prefix and runs the installed program
# as a user would, without a display; checks the desktop entry and the
# AppStream metadata with their validators.
set -eu
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
"$prefix/bin/varnolt" --version | grep -qx 'varnolt 1.4'
cd "$prefix" # anywhere but the build
status=0
"$prefix/bin/varnolt" --compare "$source/examples/plan_v1.png" "$source/examples/plan_v2.png" \
  >"$prefix/out.txt" || status=$?
[ "$status" -eq 1 ] || { echo "changed pair: exit $status, not 1"; exit 1; }
grep -q 'change regions' "$prefix/out.txt"
"$prefix/bin/varnolt" --compare "$source/examples/plan_v1.png" "$source/examples/plan_v1.png" \
  >/dev/null
test -L "$prefix/lib/varnolt/imagemagick/convert"
test -f "$prefix/lib/varnolt/imagemagick/policy.xml"
test -f "$prefix/share/man/man1/varnolt.1"
test -f "$prefix/share/icons/hicolor/scalable/apps/varnolt.svg"
desktop-file-validate "$prefix/share/applications/example.quorbit.varnolt.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/example.quorbit.varnolt.metainfo.xml" \
  >/dev/null
echo "installed program runs from $prefix"
