#!/usr/bin/env bash
# Builds the program and starts it: the window against the real portal, or,
# with --demo or on a machine without a display, a whole run against the
# bundled portal replica (scripts/demo.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
if [ "${1:-}" = "--demo" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
    [ "${1:-}" = "--demo" ] && shift
    exec "$root/scripts/demo.sh" "$@"
fi
"$root/scripts/build.sh"
exec "$build/app/contract-finder" "$@"
