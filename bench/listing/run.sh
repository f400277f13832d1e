#!/usr/bin/env bash
# The listing benchmark. Times, in one run and on the same synthetic tree:
#   native: dirsheet-cli against find -printf and tree -a -s -D;
#   Wine:   dirsheet-cli.exe against the bare enumeration program and cmd /c dir /s /a;
# and the peak memory of dirsheet-cli on one folder of 20,000 files against the tree.
# Each figure is the best of a few runs (the machine is shared: ratios matter).
# usage: bench/listing/run.sh [RUNS]   (the tree is made once in bench/tree/)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
runs="${1:-3}"
tree="$root/bench/tree"
out="$root/bench/out"
mkdir -p "$out"
for tool in tree bc /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: needs $tool (apt-get install tree bc time)"; exit 1; }
done

[ -d "$tree" ] || python3 bench/listing/make_tree.py "$tree"
[ -d "$out/flat" ] || python3 bench/listing/make_tree.py "$out/flat" --files 20000 --folders 1 --big 0 --seed 2
scripts/build.sh native --target dirsheet-cli >/dev/null
scripts/build.sh windows --target dirsheet-cli bench_enumerate >/dev/null
scripts/wine-prefix.sh "$root/build/windows"
# The build's own Wine (32- or 64-bit prefix, as the build is).
wine() { "$root/build/windows/wine-run.sh" "$@"; }
wineserver() { "$root/build/windows/wineserver.sh" "$@"; }
wineserver -p 2>/dev/null || true  # already running is fine
trap 'wineserver -k 2>/dev/null || true' EXIT

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
wtree="$(winpath "$tree")"

# seconds one run of a command takes (its output to /dev/null unless redirected inside)
timed() {
  local s e
  s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
  echo "$e - $s" | bc
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
fmt() { printf '%.2f' "$1"; }

files=$(find "$tree" -type f | wc -l); folders=$(find "$tree" -type d | wc -l)
echo "tree: $files files in $folders folders"
find "$tree" >/dev/null  # warm the caches

echo "== native (best of $runs, the three runs interleaved)"
t_find=""; t_tree=""; t_cli=""
for _ in $(seq "$runs"); do
  t_find=$(min "$t_find" "$(timed sh -c "find '$tree' -printf '%p %s %T@\n' >'$out/find.txt'")")
  t_tree=$(min "$t_tree" "$(timed sh -c "tree -a -s -D '$tree' >'$out/tree.txt'")")
  t_cli=$(min "$t_cli" "$(timed build/native/listing/dirsheet-cli -q -o "$out/native.txt" "$tree")")
done
t_find=$(fmt "$t_find"); t_tree=$(fmt "$t_tree"); t_cli=$(fmt "$t_cli")
echo "find -printf:      ${t_find} s"
echo "tree -a -s -D:     ${t_tree} s"
echo "dirsheet-cli:      ${t_cli} s   ratio to find $(echo "scale=2; $t_cli / $t_find" | bc)," \
     "to tree $(echo "scale=2; $t_cli / $t_tree" | bc)"

echo "== peak memory of dirsheet-cli (maximum resident set)"
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}'; }
m_flat=$(rss build/native/listing/dirsheet-cli -q -o "$out/flat.txt" "$out/flat")
m_tree=$(rss build/native/listing/dirsheet-cli -q -o "$out/native.txt" "$tree")
echo "one folder of 20000 files: ${m_flat} KB; whole tree of $files files: ${m_tree} KB"

echo "== Wine (best of $runs, enumeration and dirsheet-cli.exe interleaved; dir /s once)"
enum=build/windows/bench/listing/bench_enumerate.exe
wine "$enum" "$wtree" >/dev/null 2>&1 || true  # warm
t_enum=""; t_wcli=""
for _ in $(seq "$runs"); do
  t_enum=$(min "$t_enum" "$(timed wine "$enum" "$wtree")")
  t_wcli=$(min "$t_wcli" "$(timed wine build/windows/listing/dirsheet-cli.exe -q -o "$(winpath "$out/wine.txt")" "$wtree")")
done
t_enum_a=$(fmt "$(timed wine "$enum" -a "$wtree")")
t_dir=$(fmt "$(timed sh -c "'$root/build/windows/wine-run.sh' cmd /c dir /s /a '$wtree' >'$out/dir.txt'")")
t_enum=$(fmt "$t_enum"); t_wcli=$(fmt "$t_wcli")
echo "bare enumeration (W): ${t_enum} s   (A calls: ${t_enum_a} s)"
echo "cmd /c dir /s /a:     ${t_dir} s"
echo "dirsheet-cli.exe:     ${t_wcli} s   ratio to enumeration $(echo "scale=2; $t_wcli / $t_enum" | bc)," \
     "to dir /s $(echo "scale=2; $t_wcli / $t_dir" | bc)"
echo "files per second: native $(echo "$files / $t_cli" | bc), Wine $(echo "$files / $t_wcli" | bc)," \
     "dir /s $(echo "$files / $t_dir" | bc)"
