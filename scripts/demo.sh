#!/usr/bin/env bash
# A whole run on this machine, without the real portal: starts the bundled
# portal replica with a synthetic portal on loopback, crawls it with the
# console front end (splitting, every card route, text-layer and OCR
# protocols), and ends with the reports, workbooks and the log file.
#
# Installed (as contract-finder-demo, beside contract-finder-cli and
# portal-replica) it runs the installed programs and keeps its files in the
# user's data folder; in the source tree it builds the programs first.
#
# Quiet by default: the progress line and the run's account; -v (--verbose)
# prints the whole log as it goes. Every demo gets a fresh folder of its own
# (a folder given by CF_DEMO_DIR is used as it is), so that each shows a report.
set -euo pipefail
verbose=0
for arg in "$@"; do
    case "$arg" in
        -v | --verbose) verbose=1 ;;
        *) echo "Использование: $(basename "$0") [-v|--verbose]" >&2; exit 2 ;;
    esac
done
here=$(cd "$(dirname "$0")" && pwd)
if [ -x "$here/contract-finder-cli" ] && [ -x "$here/portal-replica" ]; then
    cli="$here/contract-finder-cli"
    replica_exe="$here/portal-replica"
    demos="${XDG_DATA_HOME:-$HOME/.local/share}/contract-finder-demo"
else
    root=$(cd "$here/.." && pwd)
    build=${CF_BUILD_DIR:-$root/build}
    "$root/scripts/build.sh" >/dev/null
    cli="$build/app/contract-finder-cli"
    replica_exe="$build/replica/portal-replica"
    demos="$build/demo"
fi
demo="${CF_DEMO_DIR:-$demos/$(date +%Y%m%d-%H%M%S)}"
mkdir -p "$demo"
port=${CF_DEMO_PORT:-18743}

"$replica_exe" --port "$port" --synthetic "${CF_DEMO_CONTRACTS:-120}" > "$demo/replica.txt" &
replica=$!
trap 'kill $replica 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q "запущена" "$demo/replica.txt" 2>/dev/null && break; sleep 0.2; done
inns=$(sed -n 's/^ИНН для пробы: //p' "$demo/replica.txt")
printf '%s\r\n' $inns > "$demo/INNs.txt"

echo "Реплика портала: https://127.0.0.1:$port; папка программы: $demo"
run=("$cli" run --dir "$demo" --portal "https://127.0.0.1:$port"
     --from "$(date -d '-30 days' +%d.%m.%Y)" --to "$(date +%d.%m.%Y)" --threads 4)
status=0
if [ "$verbose" = 1 ]; then
    "${run[@]}" || status=$?
else
    # The log (thousands of addresses) goes to the log file; here only its account.
    "${run[@]}" > "$demo/demo-output.txt" || status=$?
    sed -n '/: Итог работы:/,$p' "$demo/demo-output.txt"
fi
echo
echo "Отчёты, книги Excel и лог: $demo"
ls -1 "$demo" | grep -E '\.(tab|xlsx|txt)$' || true
exit "$status"
