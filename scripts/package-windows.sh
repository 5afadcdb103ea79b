#!/usr/bin/env bash
# The Windows distribution: cross-builds both programs (scripts/build-windows.sh),
# gathers them with the DLLs and Qt plugins they load, Poppler's converters
# under poppler/ and the licences into build-win/dist/contract-finder/, and
# makes of that folder an NSIS installer, contract-finder-setup-<version>.exe,
# and a .zip, both in build-win/dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_WIN_BUILD_DIR:-$root/build-win}
"$root/scripts/build-windows.sh" contract-finder contract-finder-cli

win=$build/win
dist=$build/dist
app=$dist/contract-finder
version=$(sed -n 's/^project(contract-finder VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
objdump=x86_64-w64-mingw32-objdump
rm -rf "$dist"
mkdir -p "$app"/{platforms,styles,imageformats,poppler,licenses}

# Copies a program or plugin and, beside `dlldir`, every DLL of the archive it
# needs, the DLLs' own needs included. System DLLs are not in the archive.
bundle() {  # file, destination folder, DLL folder
  cp "$1" "$2/"
  local dll
  for dll in $("$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
    if [ -f "$win/bin/$dll" ] && [ ! -f "$3/$dll" ]; then
      bundle "$win/bin/$dll" "$3" "$3"
    fi
  done
}
bundle "$build/app/contract-finder.exe" "$app" "$app"
bundle "$build/app/contract-finder-cli.exe" "$app" "$app"
bundle "$win/plugins/platforms/qwindows.dll" "$app/platforms" "$app"
bundle "$win/plugins/platforms/qoffscreen.dll" "$app/platforms" "$app"
bundle "$win/plugins/styles/qwindowsvistastyle.dll" "$app/styles" "$app"
for plugin in "$win"/plugins/imageformats/*.dll; do bundle "$plugin" "$app/imageformats" "$app"; done
# The converters keep their own DLLs in their folder, where Windows looks first.
bundle "$win/bin/pdftotext.exe" "$app/poppler" "$app/poppler"
bundle "$win/bin/pdftoppm.exe" "$app/poppler" "$app/poppler"

# The archive's builds carry their debugging information; users get none.
find "$app" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-debug {} +

cp -r "$win/share/licenses/." "$app/licenses/"
# Notepad's form: UTF-8 with a byte-order mark, CR LF.
notepad_text() { { printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$1"; } > "$2"; }
notepad_text "$root/package/windows/README-Windows.txt" "$app/README.txt"
notepad_text "$root/package/windows/POPPLER-SOURCE.txt" "$app/poppler/SOURCE.txt"
cp -r "$win/share/licenses/poppler-"* "$app/poppler/"

# The uninstaller removes exactly what was installed, so data the user keeps
# in the folder stays.
{
  (cd "$app" && find . -type f | sort) | sed 's|^\./||; s|/|\\|g; s|^|  Delete "$INSTDIR\\|; s|$|"|'
  (cd "$app" && find . -mindepth 1 -type d | sort -r) |
    sed 's|^\./||; s|/|\\|g; s|^|  RMDir "$INSTDIR\\|; s|$|"|'
} > "$dist/uninstall-files.nsh"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DAPPDIR="$app" \
  -DUNINSTALL_LIST="$dist/uninstall-files.nsh" \
  -DOUTFILE="$dist/contract-finder-setup-$version.exe" "$root/package/windows/contract-finder.nsi"
(cd "$dist" && zip -qr "contract-finder-$version-windows-x86_64.zip" contract-finder)
echo "Windows: $dist/contract-finder-setup-$version.exe, $dist/contract-finder-$version-windows-x86_64.zip"
