# Sourced by the Windows CI steps: installs what is missing (Debian), builds
# GoogleTest for the cross compiler once per build folder, and sets up a
# private wine prefix there. Expects $root and $build; sets $toolchain and
# $gtest. Further packages to install are given as arguments.

windows_prepare() {
  local packages=("$@")
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || packages+=(g++-mingw-w64-x86-64-posix)
  command -v wine >/dev/null || packages+=(wine)
  [ -x /usr/lib/wine/wine64 ] || packages+=(wine64)
  [ -d /usr/src/googletest ] || packages+=(googletest)
  command -v ninja >/dev/null || packages+=(ninja-build)
  command -v cmake >/dev/null || packages+=(cmake)
  local missing=() package
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi

  toolchain=$root/cmake/mingw-w64-x86_64.cmake
  gtest=$build/googletest-install
  if [ ! -f "$gtest/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest" >/dev/null
    cmake --build "$build/googletest" >/dev/null
    cmake --install "$build/googletest" >/dev/null
  fi

  # A private wine prefix, so no user's wine set-up is read or changed. A
  # crash or a fatal error would otherwise open a box that waits for a click.
  export WINEPREFIX=$build/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/no-crash-dialog" ]; then
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    touch "$WINEPREFIX/no-crash-dialog"
  fi
}
