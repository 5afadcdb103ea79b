#!/usr/bin/env bash
# The Windows build checked under Wine: the cross-build (scripts/package-windows.sh:
# the programs, the installer and the .zip), the core tests with no Linux-only
# piece, a whole console crawl of the Linux portal replica by the Windows
# program, and the installer installed silently, its console program run once,
# and uninstalled. Each Wine part runs in a fresh prefix under /tmp, in a
# Russian locale (code page 1251). Fails when the archive of Windows libraries
# is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_WIN_BUILD_DIR:-$root/build-win}
linux_build=${CF_BUILD_DIR:-$root/build}
archive=${CF_WIN_ARCHIVE:-$root/../shared/windows/windows-x86_64-mingw.tar.xz}
if [ ! -f "$archive" ]; then
  echo "Нет архива библиотек Windows: $archive" >&2
  exit 1
fi
tests=(platform_tests platform_windows_tests text_tests store_tests report_tests)

"$root/scripts/package-windows.sh"
"$root/scripts/build-windows.sh" "${tests[@]}"
if [ ! -x "$linux_build/replica/portal-replica" ]; then
  [ -f "$linux_build/CMakeCache.txt" ] || cmake -S "$root" -B "$linux_build" ${CF_CMAKE_ARGS:-} >/dev/null
  flock /tmp/cf-build.lock cmake --build "$linux_build" -j"${CF_JOBS:-2}" --target portal-replica
fi

work=$(mktemp -d /tmp/cf-windows-check.XXXXXX)
replica=""
# Under set -e a failing last command of an && list would end the cleanup
# early (and fail the check): a Wine server already gone is no failure.
cleanup() {
  if [ -n "$replica" ]; then kill "$replica" 2>/dev/null || true; fi
  for prefix in "$work"/prefix-*; do
    if [ -d "$prefix" ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Wine's code page follows the locale; a Russian one is made here when the
# system has none.
mkdir -p "$work/locale"
localedef -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8" 2>/dev/null || true
export LOCPATH=$work/locale
export LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8 2>/dev/null  # bash itself cannot see LOCPATH
export PATH=$PATH:/usr/lib/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

new_prefix() {  # name
  export WINEPREFIX=$work/prefix-$1
  timeout 300 wine64 wineboot -i >/dev/null 2>&1
}
winpath() { echo "Z:${1//\//\\}"; }
check() {  # what failed, test...
  local what=$1
  shift
  "$@" || { echo "Под Wine: $what" >&2; exit 1; }
}

# The tests, with the archive's DLLs on Wine's search path.
new_prefix tests
export WINEPATH
WINEPATH=$(winpath "$build/win/bin")
# Left out: the workbook checks, which unpack the .xlsx with Linux's unzip (Wine
# cannot start it), and a write to /dev/full, which Windows has no stand-in for.
declare -A filters=([report_tests]='-Workbook*:*LibreOffice*:*ALineThatCannotBeWrittenLeavesItsLinkUnshown')
for test in "${tests[@]}"; do
  exe=$(find "$build/tests" -name "$test.exe" | head -1)
  echo "=== $test (Wine)"
  (cd "$work" && timeout 300 wine64 "$exe" --gtest_brief=1 --gtest_filter="${filters[$test]:-*}")
done
unset WINEPATH

# The installer, silently into a fresh prefix; the installed console program
# once; the uninstaller, which must leave the user's data.
new_prefix install
version=$(sed -n 's/^project(contract-finder VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
echo "=== contract-finder-setup-$version.exe /S (Wine)"
timeout 300 wine64 "$build/dist/contract-finder-setup-$version.exe" /S
wineserver -w
installed=$WINEPREFIX/drive_c/Program\ Files/contract-finder
check "установщик не поставил программу" test -f "$installed/contract-finder-cli.exe"
check "установщик не поставил Poppler" test -f "$installed/poppler/pdftotext.exe"
shortcut=$(find "$WINEPREFIX/drive_c/ProgramData" -name 'Поиск контрактов поставщиков.lnk' | head -1)
check "нет пункта в меню Пуск" test -n "$shortcut"
installed_version=$(timeout 60 wine64 "$installed/contract-finder-cli.exe" --version | tr -d '\r')
check "установленная программа назвала версию «$installed_version»" grep -q "$version" <<<"$installed_version"
data=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/contract-finder
mkdir -p "$data" && echo 7707083893 > "$data/INNs.txt"
echo 7707083893 > "$installed/INNs.txt"  # a user's own file beside the program
timeout 300 wine64 "$installed/uninstall.exe" /S
wineserver -w
check "удаление оставило файлы программы" test ! -e "$installed/contract-finder-cli.exe"
check "удаление тронуло данные пользователя" test -f "$data/INNs.txt" -a -f "$installed/INNs.txt"

# A whole console crawl of the Linux replica by the Windows program, run from
# the distribution folder (its poppler/ converters, its DLLs).
port=${CF_WIN_CHECK_PORT:-18843}
"$linux_build/replica/portal-replica" --port "$port" --synthetic 40 > "$work/replica.txt" &
replica=$!
for _ in $(seq 50); do grep -q "запущена" "$work/replica.txt" 2>/dev/null && break; sleep 0.2; done
export WINEPREFIX=$work/prefix-tests
run=$work/run
mkdir -p "$run"
printf '%s\r\n' $(sed -n 's/^ИНН для пробы: //p' "$work/replica.txt") > "$run/INNs.txt"
echo "=== contract-finder-cli.exe run (Wine) against the replica"
# The run is watched: once its log is written the program has a minute to
# end, so a program that hangs on its way out fails the check quickly.
wine64 "$build/dist/contract-finder/contract-finder-cli.exe" run \
  --dir "$(winpath "$run")" --portal "https://127.0.0.1:$port" \
  --from "$(date -d '-30 days' +%d.%m.%Y)" --to "$(date +%d.%m.%Y)" --threads 2 \
  > "$work/cli.txt" 2>&1 &
cli=$!
for _ in $(seq 600); do
  grep -q "Работа завершена" "$work/cli.txt" 2>/dev/null && break
  kill -0 "$cli" 2>/dev/null || break
  sleep 1
done
for _ in $(seq 60); do kill -0 "$cli" 2>/dev/null || break; sleep 1; done
status=0
if kill -0 "$cli" 2>/dev/null; then
  kill "$cli"
  wait "$cli" || true
  status=124
else
  wait "$cli" || status=$?
fi
tail -n 12 "$work/cli.txt"
kill "$replica" 2>/dev/null; replica=""
check "код выхода $status (124: не завершилась после сбора)" test "$status" -eq 0
report=$(ls "$run"/*.tab 2>/dev/null | head -1)
check "нет отчёта .tab" test -n "$report"
check "в отчёте нет строк контрактов" grep -q "https://127.0.0.1:$port/" "$report"
workbook=$(ls "$run"/*.xlsx 2>/dev/null | head -1)
check "нет книги .xlsx" test -n "$workbook"
check "книга не архив .xlsx" unzip -tq "$workbook"
log=$(ls "$run"/log*.txt 2>/dev/null | head -1)
check "нет лога" test -s "$log"
# The log is in the system's code page (1251 here) unless it carries a mark.
log_text() { iconv -f utf-8 -t utf-8 "$log" 2>/dev/null || iconv -f cp1251 -t utf-8 "$log"; }
check "в логе нет конца сбора" grep -q "Сбор данных завершен" <(log_text)
echo "Под Wine: $(($(wc -l < "$report") - 1)) строк в $(basename "$report"), книга и лог записаны"

echo "windows-check: сборка, тесты, сбор, установка и удаление под Wine прошли"
