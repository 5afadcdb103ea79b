#!/usr/bin/env bash
# Cross-builds the Windows (x86_64) programs into build-win/ (or $CF_WIN_BUILD_DIR)
# with MinGW-w64 and the Windows libraries of ../shared/windows (or $CF_WIN_ARCHIVE),
# unpacked into the build folder. Targets to build may be given; the default
# is both programs. Installs the cross compiler, Wine and NSIS when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CF_WIN_BUILD_DIR:-$root/build-win}
archive=${CF_WIN_ARCHIVE:-$root/../shared/windows/windows-x86_64-mingw.tar.xz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(contract-finder contract-finder-cli)

packages=(g++-mingw-w64-x86-64-posix wine64 qt6-base-dev-tools ninja-build nsis cmake pkgconf zip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Устанавливаем пакеты: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$archive" ]; then
  echo "Нет архива библиотек Windows: $archive" >&2
  exit 1
fi
win=$build/win
stamp=$build/.archive-stamp
if [ ! -f "$stamp" ] || [ "$archive" -nt "$stamp" ]; then
  rm -rf "$win"
  mkdir -p "$build"
  tar -C "$build" -xJf "$archive"
  # libxlsxwriter's pkg-config file asks for zlib as -lz; the archive names it libzlib.
  ln -sf libzlib.dll.a "$win/lib/libz.dll.a"
  touch "$stamp"
fi

# The .pc files carry the prefix they were built in; --define-prefix takes it
# from where they lie, and nothing of the build machine's own is seen.
export PKG_CONFIG_LIBDIR=$win/lib/pkgconfig
export PKG_CONFIG_PATH=
launcher=()
command -v ccache >/dev/null &&
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$win/toolchain-mingw.cmake" \
    -DCMAKE_PREFIX_PATH="$win" -DQT_HOST_PATH=/usr \
    -DPKG_CONFIG_ARGN=--define-prefix \
    -DCMAKE_BUILD_TYPE=${CF_BUILD_TYPE:-Release} \
    -DCF_BUILD_BENCHMARKS=OFF -DCF_BUILD_REPLICA=OFF "${launcher[@]}" \
    ${CF_CMAKE_ARGS:-} >/dev/null
fi
flock /tmp/cf-build.lock cmake --build "$build" -j"${CF_JOBS:-2}" --target "${targets[@]}"
