#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# Idempotent: does nothing (and prints nothing) when all of them are present.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config clang-format clang-tidy
  # the Debian package (scripts/package-check.sh): dpkg-shlibdeps, lintian
  dpkg-dev lintian
  # core libraries
  qt6-base-dev libsqlite3-dev libcurl4-openssl-dev libssl-dev zlib1g-dev
  libpcre2-dev libxlsxwriter-dev
  # external programs the program runs, and Qt's own Russian texts (context menus, buttons)
  poppler-utils tesseract-ocr tesseract-ocr-rus qt6-translations-l10n
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev tinyproxy
  sqlite3 unzip
  # the watch's tests: a private session bus (dbus-run-session) and systemd-analyze verify
  dbus-daemon systemd
  # the workbook test opens the written workbooks in a real spreadsheet application
  libreoffice-calc-nogui
  # fuzz targets (scripts/fuzz.sh): clang, its libFuzzer and sanitizer runtimes, the symbolizer
  clang libclang-rt-14-dev llvm-14
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Устанавливаем пакеты: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
