#!/usr/bin/env bash
# The end-to-end campaigns against the portal replica: a crawl of more than
# 2 000 cards under injected faults and hostile pages, a run killed with
# SIGKILL and run again, and two copies of the program at once. A few minutes;
# kept out of the quick test run (scripts/test.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure -L campaign "$@"
