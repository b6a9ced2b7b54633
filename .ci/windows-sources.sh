# Sourced by the Windows CI steps that build from Debian's source packages:
# a deb-src line of their own for Debian's archive, and the unpacking of one
# source package.

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Adds Debian's source archive to apt's sources, unless it is there already.
windows_source_line() {
  local list=/etc/apt/sources.list.d/varnolt-debian-sources.sources
  [ -f "$list" ] && return 0
  as_root tee "$list" >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  as_root apt-get update -qq
}

# Unpacks source package $2 at version $3 (patched) into folder $1 and
# prints the source folder. When the archive no longer serves that version,
# the newest Debian revision of the same upstream version that it serves is
# taken, with a warning. The version used is added to file $4.
windows_unpack_source() {
  local work=$1 package=$2 wanted=$3 record=$4
  local upstream=${wanted%-*} version
  local candidates
  candidates=$( (echo "$wanted"
    apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' |
      grep -F -- "$upstream-" | sort -rV) | awk '!seen[$0]++')
  for version in $candidates; do
    rm -rf "$work/$package-unpack"
    mkdir -p "$work/$package-unpack"
    if (cd "$work/$package-unpack" && apt-get source -o APT::Sandbox::User=root \
      "$package=$version") >"$work/$package-source.log" 2>&1; then
      [ "$version" = "$wanted" ] ||
        echo "warning: Debian's archive serves no source of $package $wanted; built $version" >&2
      echo "$package $version" >>"$record"
      find "$work/$package-unpack" -mindepth 1 -maxdepth 1 -type d
      return 0
    fi
  done
  echo "Debian's source of $package $wanted could not be fetched:" >&2
  cat "$work/$package-source.log" >&2
  return 1
}
