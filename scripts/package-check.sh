#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no errors), installs it
# with apt-get, carries out a whole demo run with the installed programs (the
# installed console front end against the installed portal replica), checks
# that the reports and workbooks were written, and removes the package again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

cmake --build "$build" -j"${CF_JOBS:-2}" --target package
deb=$(ls "$build"/contract-finder_*_amd64.deb)
lintian --fail-on error "$deb"

DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq contract-finder >/dev/null' EXIT
/usr/bin/contract-finder --version
/usr/bin/contract-finder-cli --version

demo=$(mktemp -d)
CF_DEMO_DIR="$demo" CF_DEMO_CONTRACTS=40 /usr/bin/contract-finder-demo
ls "$demo"/*.tab >/dev/null && ls "$demo"/*.xlsx >/dev/null && ls "$demo"/log*.txt >/dev/null || {
    echo "Установленная программа не записала отчёты, книги или лог в $demo" >&2
    exit 1
}
rm -rf "$demo"
echo "package: $(basename "$deb") установлен, проверен сбором и удалён"
