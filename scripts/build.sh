#!/usr/bin/env bash
# build.sh native|asan|windows: configures (once) and builds one of the three builds
# into build/<name>.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="$1"; shift || true
dir="$root/build/$kind"
case "$kind" in
  native)  args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                 -DDIRSHEET_SANITIZE=ON -DDIRSHEET_FUZZ=ON) ;;
  windows) args=(-DCMAKE_BUILD_TYPE=Release
                 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake") ;;
  *) echo "usage: build.sh native|asan|windows" >&2; exit 2 ;;
esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" "$@"
