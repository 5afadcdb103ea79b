#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/ (or $CF_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${CF_BUILD_TYPE:-RelWithDebInfo} ${CF_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"${CF_JOBS:-2}"
