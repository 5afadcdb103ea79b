#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer and UBSan
# into build-fuzz/ (or $CF_FUZZ_DIR) and runs each for a while on a scratch
# copy of its seed corpus (fuzz/corpus/<target>/). New inputs stay in the
# scratch folder, <dir>/fuzz-work/<target>/; --merge minimises them back into
# the committed corpus. Stops with exit status 1 at the first target that
# crashes, hangs, runs out of memory or trips a sanitizer; its log and the
# input that did it are left in its scratch folder.
#
#   scripts/fuzz.sh [--merge] [seconds-per-target] [target...]
#
# Seconds default to $CF_FUZZ_SECONDS, else 300. CF_FUZZ_TIMEOUT (seconds for
# one input, default 10) and CF_FUZZ_RSS_MB (default 2048) bound each run;
# CF_BUILD_LOCK names a lock file the build step holds (flock).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${CF_FUZZ_DIR:-$root/build-fuzz}
seconds=${CF_FUZZ_SECONDS:-300}
merge=0
targets=()
for arg in "$@"; do
    case $arg in
        --merge) merge=1 ;;
        -h | --help)
            sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
            exit 0
            ;;
        *[!0-9]*) targets+=("$arg") ;;
        *) seconds=$arg ;;
    esac
done
if [ ${#targets[@]} -eq 0 ]; then
    targets=(html_text_fuzzer marker_cuts_fuzzer inn_recognition_fuzzer result_list_fuzzer
             card_handlers_fuzzer proxy_settings_fuzzer inn_list_fuzzer)
fi

"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCF_BUILD_FUZZERS=ON -DCF_BUILD_TESTS=OFF -DCF_BUILD_GUI=OFF -DCF_BUILD_BENCHMARKS=OFF \
    ${CF_CMAKE_ARGS:-} >/dev/null
build=(cmake --build "$dir" -j"${CF_JOBS:-2}" --target "${targets[@]}")
if [ -n "${CF_BUILD_LOCK:-}" ]; then flock "$CF_BUILD_LOCK" "${build[@]}"; else "${build[@]}"; fi

symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# What ended a failed run, from its log.
failure_of() {
    local log=$1
    if grep -q 'ERROR: libFuzzer: timeout' "$log"; then echo "hang"
    elif grep -q 'out-of-memory' "$log"; then echo "out of memory"
    elif grep -q 'ERROR: LeakSanitizer' "$log"; then echo "leak"
    elif grep -q 'ERROR: AddressSanitizer' "$log"; then echo "address error"
    elif grep -q 'runtime error:' "$log"; then echo "undefined behaviour"
    elif grep -q 'check failed:' "$log"; then echo "broken check"
    else echo "crash"
    fi
}

status=0
for target in "${targets[@]}"; do
    work=$dir/fuzz-work/$target
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp "$root/fuzz/corpus/$target/"* "$work/corpus/"
    options=(-max_total_time="$seconds" -timeout="${CF_FUZZ_TIMEOUT:-10}"
             -rss_limit_mb="${CF_FUZZ_RSS_MB:-2048}" -print_final_stats=1
             -artifact_prefix="$work/")
    [ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
    start=$(date +%s)
    rc=0
    "$dir/fuzz/$target" "${options[@]}" "$work/corpus" >"$work/log.txt" 2>&1 || rc=$?
    elapsed=$(($(date +%s) - start))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -n 1)
    [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$work/log.txt" | tail -n 1 | tr -d '#')
    if [ "$rc" -eq 0 ]; then
        echo "$target: ${runs:-0} runs in ${elapsed} s, no findings"
    else
        artifact=$(ls -t "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-* 2>/dev/null | head -n 1 || true)
        echo "$target: ${runs:-?} runs in ${elapsed} s, FAILED: $(failure_of "$work/log.txt") (${artifact:-no input saved}; log $work/log.txt)"
        status=1
        break
    fi
    if [ "$merge" -eq 1 ]; then
        "$dir/fuzz/$target" -merge=1 -timeout="${CF_FUZZ_TIMEOUT:-10}" \
            -rss_limit_mb="${CF_FUZZ_RSS_MB:-2048}" "$root/fuzz/corpus/$target" "$work/corpus" \
            >"$work/merge.txt" 2>&1
        echo "$target: merged into fuzz/corpus/$target ($(ls "$root/fuzz/corpus/$target" | wc -l) files)"
    fi
done
exit "$status"
