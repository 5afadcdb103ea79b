#!/usr/bin/env bash
# Pictures of the window in a real X server (Xvfb), at 100 % and 150 % scale:
# before a run, during a run against the portal replica (the bar with its
# text, the status line) and after it with the run's account, into docs/
# (window-before-run.png, window-during-run.png, window-after-run.png, and
# the same with -150). Needs xvfb (not installed by the setup script: this
# is a documentation step).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
cmake --build "$build" -j2 --target window_screens >/dev/null

# The first display number no X server holds.
number=99
while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
display=:$number
Xvfb "$display" -screen 0 1600x1250x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 2
for scale in 1 1.5; do
    suffix=""
    [ "$scale" = 1 ] || suffix="-150"
    DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
        "$build/tests/app/window_screens" "$root/docs" "$suffix"
done
ls "$root"/docs/window-*.png
