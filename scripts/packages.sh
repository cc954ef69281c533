#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs. Usage: packages.sh [--tests]
set -euo pipefail

# g++-mingw-w64-x86-64-posix builds vantrel-collect.exe, the Windows collector
# the program serves; wine64 runs it in the tests. The tests run
# vantrel-collect.sh, the Linux collector, under dash, bash and busybox sh and
# let it post with curl, wget or busybox's wget. mdbtools-dev reads the Access
# files start-up converts; mdbtools' mdb-export is the benchmark's reference.
# patchelf points the libraries of the release folder at its lib/;
# desktop-file-validate (desktop-file-utils) and shellcheck check that
# folder's desktop entry and its test script. qt6-charts-dev draws the
# overview's charts (its CMake files need libqt6opengl6-dev); ieee-data names
# the makers of network cards, optional at run time (the tests bring their
# own copy of a few entries); hwdata's pnp.ids names monitors' makers the
# same way (optional too: without it a monitor's maker shows as its code).
# shellcheck checks the Linux collector in scripts/test.sh; tc (iproute2)
# and ip make the tests' network namespaces. qt6-translations-l10n holds
# Qt's own Chinese texts (file dialog, Yes/No). libzip-dev and libexpat1-dev
# read .xlsx files to import (.xls files the program reads itself); the import tests
# write workbooks with python3-openpyxl. libqrencode-dev draws the QR codes
# of the asset labels; the tests read printed PDFs back with pdftotext and
# pdftoppm (poppler-utils) and decode the labels' QR codes with zbarimg
# (zbar-tools).
run_packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libsqlite3-dev mdbtools-dev
              libxlsxwriter-dev libzip-dev libexpat1-dev sqlite3 fonts-noto-cjk
              g++-mingw-w64-x86-64-posix patchelf
              qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n hwdata libqrencode-dev)
test_packages=(libgtest-dev libgmock-dev googletest libbenchmark-dev chromium chromium-driver
               python3 curl wget busybox dash clang-format git mdbtools
               xvfb xauth iproute2 wine64 libreoffice-calc-nogui libreoffice-writer-nogui
               desktop-file-utils shellcheck util-linux ieee-data python3-openpyxl
               poppler-utils zbar-tools)

packages=("${run_packages[@]}")
if [[ "${1:-}" == "--tests" ]]; then
  packages+=("${test_packages[@]}")
fi

sudo_cmd=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
