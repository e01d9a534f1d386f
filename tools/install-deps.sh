#!/usr/bin/env bash
# Installs what building and testing Gridlet needs on a fresh Debian machine,
# and any further packages named as arguments. With --command first, only
# what the gridlet command itself needs (the quick start).
set -euo pipefail
if [ "${1:-}" = "--command" ]; then
  shift
  # the command, its web service (HTTP server and JSON) included
  packages=(cmake make g++ libcli11-dev pkg-config libcpp-httplib-dev nlohmann-json3-dev "$@")
else
  packages=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
            # JSON reader of the tests
            nlohmann-json3-dev
            # the web service (gridlet serve): HTTP server and JSON
            pkg-config libcpp-httplib-dev
            # the web page's test in a real browser
            chromium chromium-driver python3-selenium fonts-dejavu-core
            # the spreadsheet application that workbooks are exchanged with
            libreoffice-calc-nogui python3-uno
            # the Windows COM server: MinGW-w64 (POSIX threads) and widl, Wine's
            # IDL files and the Wine loader its tests run under
            g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools wine64 libwine-dev
            "$@")
fi
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
