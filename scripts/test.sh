#!/usr/bin/env bash
# Builds and runs every test: the native build, the sanitizer build (with a short run of
# each fuzz target), the Windows build under Wine with a headless X server, and the house
# style (clang-format and clang-tidy).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh

echo "== native build"
scripts/build.sh native
ctest --test-dir build/native --output-on-failure -j 2

echo "== sanitizer build (ASan + UBSan)"
scripts/build.sh asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j 2
scripts/fuzz-smoke.sh build/asan

echo "== Windows build under Wine"
scripts/build.sh windows
scripts/wine-prefix.sh "$root/build/windows"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build/windows --output-on-failure

if [ "$(scripts/windows-arch.sh)" != i686 ]; then
  # This machine runs the tests on the x86-64 build; the shipped 32-bit program must
  # still compile and link.
  echo "== Windows 32-bit build (compiled only: this machine cannot run 32-bit programs)"
  scripts/build.sh windows32
fi

echo "== house style"
scripts/check-style.sh
