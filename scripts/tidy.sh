#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: bugprone, concurrency, performance) over the
# core libraries' sources with the build's compile commands; fails on any
# warning. The build folder must have been configured (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
[ -f "$build/compile_commands.json" ] || {
    echo "Нет $build/compile_commands.json: сначала scripts/build.sh" >&2
    exit 2
}
core='/(cards|crawl|fetch|platform|report|store|text)/[^/]+\.cpp$'
# grep finds nothing when all is well, so the pipeline's own status is not ours.
set +e +o pipefail
run-clang-tidy -quiet -p "$build" -j "${CF_JOBS:-2}" "$root$core" 2>&1 |
    sed -u 's/\x1b\[[0-9;]*m//g' |
    grep --line-buffered -v -E '^[0-9]+ warnings? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^clang-tidy-14 |^Running clang-tidy' |
    tee "$build/clang-tidy.log"
status=${PIPESTATUS[0]}
set -e -o pipefail
[ "$status" -eq 0 ] && echo "clang-tidy: без замечаний"
exit "$status"
