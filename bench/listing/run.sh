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
for tool in tree /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: needs $tool (apt-get install tree time)"; exit 1; }
done

[ -d "$tree" ] || python3 bench/listing/make_tree.py "$tree"
[ -d "$out/flat" ] || python3 bench/listing/make_tree.py "$out/flat" --files 20000 --folders 1 --big 0 --seed 2
scripts/build.sh native --target dirsheet-cli >/dev/null
scripts/build.sh windows --target dirsheet-cli bench_enumerate >/dev/null
scripts/wine-prefix.sh "$root/build/windows"
export WINEPREFIX="$root/build/windows/wineprefix" WINEARCH=win32 WINEDEBUG=-all
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
wtree="$(winpath "$tree")"

# best SECONDS of RUNS runs of a command (its output to /dev/null unless redirected inside)
best() {
  local n="$1"; shift
  local b=""
  for _ in $(seq "$n"); do
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%.2f' "$b"
}

files=$(find "$tree" -type f | wc -l); folders=$(find "$tree" -type d | wc -l)
echo "tree: $files files in $folders folders"
find "$tree" >/dev/null  # warm the caches

echo "== native (best of $runs)"
t_find=$(best "$runs" sh -c "find '$tree' -printf '%p %s %T@\n' >'$out/find.txt'")
t_tree=$(best "$runs" sh -c "tree -a -s -D '$tree' >'$out/tree.txt'")
t_cli=$(best "$runs" build/native/listing/dirsheet-cli -q -o "$out/native.txt" "$tree")
echo "find -printf:      ${t_find} s"
echo "tree -a -s -D:     ${t_tree} s"
echo "dirsheet-cli:      ${t_cli} s   ratio to find $(echo "scale=2; $t_cli / $t_find" | bc)," \
     "to tree $(echo "scale=2; $t_cli / $t_tree" | bc)"

echo "== peak memory of dirsheet-cli (maximum resident set)"
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}'; }
m_flat=$(rss build/native/listing/dirsheet-cli -q -o "$out/flat.txt" "$out/flat")
m_tree=$(rss build/native/listing/dirsheet-cli -q -o "$out/native.txt" "$tree")
echo "one folder of 20000 files: ${m_flat} KB; whole tree of $files files: ${m_tree} KB"

wruns=$(( runs > 2 ? 2 : runs ))
echo "== Wine (best of $wruns; dir /s once)"
wine build/windows/bench/listing/bench_enumerate.exe "$wtree" >/dev/null 2>&1 || true  # warm
t_enum=$(best "$wruns" wine build/windows/bench/listing/bench_enumerate.exe "$wtree")
t_enum_a=$(best 1 wine build/windows/bench/listing/bench_enumerate.exe -a "$wtree")
t_wcli=$(best "$wruns" wine build/windows/listing/dirsheet-cli.exe -q -o "$(winpath "$out/wine.txt")" "$wtree")
t_dir=$(best 1 sh -c "wine cmd /c dir /s /a '$wtree' >'$out/dir.txt'")
echo "bare enumeration (W): ${t_enum} s   (A calls: ${t_enum_a} s)"
echo "cmd /c dir /s /a:     ${t_dir} s"
echo "dirsheet-cli.exe:     ${t_wcli} s   ratio to enumeration $(echo "scale=2; $t_wcli / $t_enum" | bc)," \
     "to dir /s $(echo "scale=2; $t_wcli / $t_dir" | bc)"
echo "files per second: native $(echo "$files / $t_cli" | bc), Wine $(echo "$files / $t_wcli" | bc)," \
     "dir /s $(echo "$files / $t_dir" | bc)"
