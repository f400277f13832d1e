#!/usr/bin/env bash
# check-style.sh [format|tidy|all]: fails when a C++ file is not in the house style
# (.clang-format) or when clang-tidy (.clang-tidy) finds something in the sources the
# native build compiles. Version 14 of both, named, so that another Debian's default
# formatter cannot fail unchanged files. `scripts/format.sh` rewrites the files in the
# house style.
#   format  every tracked .cpp and .h file against .clang-format
#   tidy    the native build's own sources (portable cores, POSIX backend, tools and
#           benchmarks; not the tests, whose GoogleTest headers make it slow; not the
#           Win32 layers, which need the Windows headers)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
what="${1:-all}"
status=0

if [ "$what" = format ] || [ "$what" = all ]; then
  echo "== house style (clang-format)"
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
  if ! clang-format-14 --dry-run --Werror "${files[@]}"; then
    echo "check-style: files above are not formatted; run scripts/format.sh" >&2
    status=1
  fi
fi

if [ "$what" = tidy ] || [ "$what" = all ]; then
  echo "== clang-tidy"
  dir="$root/build/tidy"
  if [ ! -f "$dir/compile_commands.json" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
  fi
  # Generated and third-party sources are left out by the path filter.
  if ! run-clang-tidy-14 -clang-tidy-binary clang-tidy-14 -p "$dir" -j "$(nproc)" -quiet \
       "^$root/(listing|platform|png|skin|tools|bench)/" >"$dir/tidy.log" 2>&1 ||
     grep -q "error:" "$dir/tidy.log"; then
    grep -A3 "error:" "$dir/tidy.log" | sed 's/\x1b\[[0-9;]*m//g' >&2 || true
    echo "check-style: clang-tidy found the problems above (log: $dir/tidy.log)" >&2
    status=1
  fi
fi
exit $status
