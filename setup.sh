#!/bin/bash
# Sets up Varnolt on Debian 12: installs the packages that the build, the
# program and the tests need (skipping those already installed), builds into
# build/, then opens the example pair. --no-run stops after the build;
# --no-windows-tests leaves out the mingw-w64 and wine packages with which the
# tests also check the Windows build of the core.
set -euo pipefail
cd "$(dirname "$0")"

run_example=1
windows_tests=1
for argument in "$@"; do
  case "$argument" in
    --no-run) run_example=0 ;;
    --no-windows-tests) windows_tests=0 ;;
    *) echo "usage: ./setup.sh [--no-run] [--no-windows-tests]" >&2; exit 2 ;;
  esac
done

packages=(
  g++ cmake ninja-build pkg-config          # compiler and build
  ccache                                    # builds of unchanged sources taken from its cache
  git clang-format                          # the formatting check of CI; git runs the diff driver test
  subversion mercurial                      # the Subversion and Mercurial recipes' tests
  qt6-base-dev libgl-dev                    # Qt 6 Widgets
  qt6-pdf-dev qpdf libqpdf-dev              # PDF pages (qpdf reads what pages are drawn from, encrypts the tests' PDFs)
  libpoppler-cpp-dev                        # PDF pages' words in one pass, pages drawn small for pairing
  desktop-file-utils appstream dpkg-dev     # checks of the installed files, the .deb
  lintian                                   # checks the .deb packages as Debian's archive does
  zlib1g-dev qt6-image-formats-plugins      # own decoders (zlib); Qt's readers for the other formats
  libpng-dev libtiff-dev                    # PNG and TIFF through their reference libraries
  libkissfft-dev                            # the FFT behind picture alignment
  libjpeg62-turbo-dev                       # JPEG row by row, with the library behind Qt's reader
  libspng-dev libturbojpeg0-dev             # the other decoders the benchmark measures
  poppler-utils                             # pdftoppm, against which the benchmark times long PDF sets
  valgrind                                  # the format suites' run under memcheck
  libgtest-dev libgmock-dev                 # tests
  libxml2-utils                             # xmllint checks the JUnit reports against their schema
  chromium chromium-driver python3-selenium  # the HTML report's test opens it in a real browser
  imagemagick libmagickcore-6.q16-6-extra   # the converter, with its SVG reader
  xvfb xauth x11-apps fonts-dejavu-core      # a virtual display and fonts
  at-spi2-core dbus python3-pyatspi         # the window read as a screen reader reads it (AT-SPI test)
  libreoffice-draw libreoffice-writer libreoffice-dev  # Visio, DXF and Word through LibreOffice
)
if ((windows_tests)); then
  # The Windows builds under wine: the core, and the whole program against a
  # Qt and an ImageMagick built from Debian's sources (zlib for mingw, xdotool
  # to drive its window, NSIS to make its installer).
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 googletest libz-mingw-w64-dev xdotool nsis)
fi
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      cat >&2 <<MSG
Varnolt needs these Debian packages, and installing them takes root rights
(this account has no sudo). Ask the administrator, or as root run:

  apt-get update && apt-get install --no-install-recommends ${missing[*]}

then run ./setup.sh again.
MSG
      exit 1
    fi
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

. cmake/compiler-cache.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${compiler_cache[@]}"
cmake --build build

((run_example)) || exit 0
example=(examples/plan_v1.png examples/plan_v2.png)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<MSG

Varnolt is built, but this machine has no graphical display, so the example
window cannot open here. Compare without a window (exit status 1: the two
versions differ):

  build/varnolt --compare ${example[*]}

or open the window on a desktop session:  build/varnolt ${example[*]}
MSG
  exit 0
fi
exec build/varnolt "${example[@]}"
