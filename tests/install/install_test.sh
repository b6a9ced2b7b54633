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
# A picture of the differences is the whole program's to write: the part the
# executable loads is installed beside it.
status=0
"$prefix/bin/varnolt" --compare --output "$prefix/differences.png" "$source/examples/plan_v1.png" \
  "$source/examples/plan_v2.png" >/dev/null || status=$?
[ "$status" -eq 1 ] && [ -s "$prefix/differences.png" ] ||
  { echo "differences picture: exit $status"; exit 1; }
test -L "$prefix/lib/varnolt/imagemagick/convert"
test -f "$prefix/lib/varnolt/imagemagick/policy.xml"
# Manual pages and the changelog compressed as packages want them: gzip
# -n, whose header has no flags (no file name) and no time stamp.
for compressed in share/man/man1/varnolt.1.gz share/man/man1/varnolt-svn-diff.1.gz \
  share/doc/varnolt/changelog.Debian.gz; do
  gzip -t "$prefix/$compressed"
  header=$(od -An -tx1 -j3 -N5 "$prefix/$compressed" | tr -d ' \n')
  [ "$header" = 0000000000 ] || { echo "$compressed keeps a name or time: $header"; exit 1; }
done
test -f "$prefix/share/doc/varnolt/copyright"
test -f "$prefix/share/icons/hicolor/scalable/apps/varnolt.svg"
desktop-file-validate "$prefix/share/applications/example.quorbit.varnolt.desktop"
# Beside a PDF viewer, in a desktop root of its own, the viewer stays the
# default for PDF and PNG files.
if command -v xdg-mime >/dev/null && command -v update-desktop-database >/dev/null; then
  root=$(mktemp -d)
  mkdir -p "$root/share/applications" "$root/data" "$root/config"
  cp "$prefix/share/applications/example.quorbit.varnolt.desktop" "$root/share/applications/"
  printf '[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %%f\nMimeType=application/pdf;image/png;\n' \
    >"$root/share/applications/zz.viewer.desktop"
  update-desktop-database "$root/share/applications"
  for type in application/pdf image/png; do
    default=$(env -i PATH="$PATH" HOME="$root" XDG_DATA_HOME="$root/data" XDG_DATA_DIRS="$root/share" \
      XDG_CONFIG_HOME="$root/config" XDG_CONFIG_DIRS="$root/config" xdg-mime query default "$type")
    [ "$default" = zz.viewer.desktop ] || { echo "default for $type: $default"; exit 1; }
  done
  rm -rf "$root"
fi
# Two files selected in Dolphin or Nemo reach the program through its
# launchers, which declare the kinds it compares (each a type the MIME
# database knows) and ask for exactly two files.
service_menu="$prefix/share/kio/servicemenus/example.quorbit.varnolt.compare.desktop"
nemo_action="$prefix/share/nemo/actions/varnolt-compare.nemo_action"
grep -qx 'Exec=varnolt %F' "$service_menu"
grep -qx 'X-KDE-RequiredNumberOfUrls=2' "$service_menu"
grep -qx 'Exec=varnolt %F' "$nemo_action"
grep -qx 'Selection=2' "$nemo_action"
for launcher in "$service_menu" "$nemo_action"; do
  types=$(sed -n 's/^Mime[Tt]ypes*=//p' "$launcher")
  case ";$types" in *";application/pdf;"*) ;; *) echo "$launcher: no application/pdf"; exit 1 ;; esac
  if [ -f /usr/share/mime/types ]; then
    for type in $(echo "$types" | tr ';' ' '); do
      grep -qx "$type" /usr/share/mime/types || { echo "$launcher: unknown type $type"; exit 1; }
    done
  fi
done
appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/example.quorbit.varnolt.metainfo.xml" \
  >/dev/null
echo "installed program runs from $prefix"
