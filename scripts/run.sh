#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
exec "$build/app/contract-finder" "$@"
