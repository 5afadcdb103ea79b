#!/usr/bin/env bash
# Screenshots of the window in a real X server (Xvfb), before and during a run
# against the portal replica, into docs/. Needs xvfb, xdotool and imagemagick
# (not installed by the setup script: this is a documentation step).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_BUILD_DIR:-$root/build}
cmake --build "$build" -j2 --target contract-finder portal-replica >/dev/null

work="$build/screenshot-run"
rm -rf "$work" && mkdir -p "$work"
cp "$build/app/contract-finder" "$work/"
port=18643
printf '[Settings]\r\nThreads=4\r\nPortal=https://127.0.0.1:%s\r\n' "$port" > "$work/settings.ini"
printf '7707083893\r\nГруппа 1\tПоставщик\t7728168971\r\n500100732259\r\n' > "$work/INNs.txt"

"$build/replica/portal-replica" --port "$port" --synthetic 400 > "$work/replica.log" &
replica=$!
Xvfb :99 -screen 0 1100x850x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $replica $xvfb 2>/dev/null || true' EXIT
sleep 2
DISPLAY=:99 "$work/contract-finder" &
window=$!
sleep 4
shot() { DISPLAY=:99 import -window root -crop 965x747+0+0 "$root/docs/$1"; }
shot window-before-run.png
id=$(DISPLAY=:99 xdotool search --name "Парсер контрактов" | head -n 1)
DISPLAY=:99 xdotool windowmove "$id" 0 0
# The start button sits in the bottom-left corner of the window.
DISPLAY=:99 xdotool mousemove --window "$id" 130 700 click 1
sleep 12
shot window-during-run.png
kill $window 2>/dev/null || true
wait $window 2>/dev/null || true
echo "docs/window-before-run.png, docs/window-during-run.png"
