#!/usr/bin/env bash
# build.sh native|asan|windows|windows32: configures (once) and builds one build into
# build/<name>.
#   windows    the Windows build the tests run under Wine: i686 (the shipped 32-bit
#              program) where this machine runs 32-bit programs, x86-64 where it cannot
#              (a kernel without 32-bit emulation); DIRSHEET_WINDOWS_ARCH=i686|x86_64
#              chooses by hand.
#   windows32  the i686 build, compiled only (it proves the shipped program still builds
#              where `windows` is the x86-64 one).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="$1"; shift || true
dir="$root/build/$kind"
toolchain() { echo "-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-mingw-$1.cmake"; }
case "$kind" in
  native)    args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)      args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                   -DDIRSHEET_SANITIZE=ON -DDIRSHEET_FUZZ=ON) ;;
  windows)   arch="$("$root/scripts/windows-arch.sh")"
             args=(-DCMAKE_BUILD_TYPE=Release "$(toolchain "$arch")") ;;
  windows32) args=(-DCMAKE_BUILD_TYPE=Release "$(toolchain i686)") ;;
  *) echo "usage: build.sh native|asan|windows|windows32" >&2; exit 2 ;;
esac
# A build configured for the other architecture (the machine or the choice changed) is
# made anew, Wine prefix included: a 32-bit prefix cannot run 64-bit programs.
if [ -f "$dir/CMakeCache.txt" ] && [ "$kind" = windows ] &&
   ! grep -q "toolchain-mingw-$arch.cmake" "$dir/CMakeCache.txt"; then
  echo "build.sh: $dir was configured for another architecture; making it anew for $arch"
  rm -rf "$dir"
fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" "$@"
