#!/usr/bin/env bash
# The listing benchmark. Times, in one run and on the same synthetic tree (warm cache):
#   native: dirsheet-cli (every core, and one thread) against find -printf, with fd (names
#           only), ncdu -o (JSON export) and tree -a -s -D as further peers;
#   Wine:   dirsheet-cli.exe against the bare sequential enumeration program and
#           cmd /c dir /s /a;
# and the peak memory of dirsheet-cli on trees of 20,000 and 200,000 files and on one
# folder of 20,000 files. Runs are paired (each peer right before dirsheet-cli) and
# repeated; the best time of each and the median of the paired ratios are printed, with
# the machine's load, since the machine is shared.
# usage: bench/listing/run.sh [RUNS]   (the trees are made once in bench/tree/, bench/out/)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
runs="${1:-5}"
tree="$root/bench/tree"
out="$root/bench/out"
mkdir -p "$out"

# Peers and tools, installed when missing.
need=()
command -v tree >/dev/null || need+=(tree)
command -v bc >/dev/null || need+=(bc)
[ -x /usr/bin/time ] || need+=(time)
command -v fdfind >/dev/null || command -v fd >/dev/null || need+=(fd-find)
command -v ncdu >/dev/null || need+=(ncdu)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "bench: installing ${need[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi
fd=$(command -v fdfind || command -v fd)

[ -d "$tree" ] || python3 bench/listing/make_tree.py "$tree"
[ -d "$out/small" ] || python3 bench/listing/make_tree.py "$out/small" --files 20000 --folders 2000 --big 2000 --seed 3
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
cli=build/native/listing/dirsheet-cli
wcli=build/windows/listing/dirsheet-cli.exe
enum=build/windows/bench/listing/bench_enumerate.exe

# seconds one run of a command takes (its output to /dev/null unless redirected inside)
timed() {
  local s e
  s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
  echo "$e - $s" | bc
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
fmt() { printf '%.2f' "$1"; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
ratio() { echo "scale=3; $1 / $2" | bc; }

files=$(find "$tree" -type f | wc -l); folders=$(find "$tree" -type d | wc -l)
echo "tree: $files files in $folders folders; $(nproc) cores; load at start: $(uptime | sed 's/.*load average: //')"
find "$tree" >/dev/null  # warm the caches

echo "== native (best of $runs; each peer paired with a dirsheet-cli run right after it)"
t_find=""; t_fd=""; t_ncdu=""; t_tree=""; t_cli=""; t_cli1=""; r_find=""; r_fd=""; r_ncdu=""
for _ in $(seq "$runs"); do
  a=$(timed sh -c "find '$tree' -printf '%p %s %T@\n' >'$out/find.txt'")
  b=$(timed $cli -q -o "$out/native.txt" "$tree")
  t_find=$(min "$t_find" "$a"); t_cli=$(min "$t_cli" "$b"); r_find="$r_find $(ratio "$b" "$a")"
  a=$(timed sh -c "'$fd' -H -I -u . '$tree' >'$out/fd.txt'")
  b=$(timed $cli -q -o "$out/native.txt" "$tree")
  t_fd=$(min "$t_fd" "$a"); t_cli=$(min "$t_cli" "$b"); r_fd="$r_fd $(ratio "$b" "$a")"
  a=$(timed ncdu -q -o "$out/ncdu.json" "$tree")
  b=$(timed $cli -q -o "$out/native.txt" "$tree")
  t_ncdu=$(min "$t_ncdu" "$a"); t_cli=$(min "$t_cli" "$b"); r_ncdu="$r_ncdu $(ratio "$b" "$a")"
  t_cli1=$(min "$t_cli1" "$(timed $cli -q -j 1 -o "$out/native1.txt" "$tree")")
done
t_tree=$(timed sh -c "tree -a -s -D '$tree' >'$out/tree.txt'")
cmp -s "$out/native.txt" "$out/native1.txt" || echo "bench: the listings of 1 and of every thread differ!"
echo "find -printf:             $(fmt "$t_find") s"
echo "fd -H -I -u (names only): $(fmt "$t_fd") s"
echo "ncdu -o (JSON):           $(fmt "$t_ncdu") s"
echo "tree -a -s -D (one run):  $(fmt "$t_tree") s"
echo "dirsheet-cli, one thread: $(fmt "$t_cli1") s"
echo "dirsheet-cli ($(nproc) cores):   $(fmt "$t_cli") s"
echo "paired ratios (median): to find $(echo "$r_find" | median), to fd $(echo "$r_fd" | median)," \
     "to ncdu $(echo "$r_ncdu" | median); best times: to find $(ratio "$t_cli" "$t_find")"

echo "== peak memory of dirsheet-cli (maximum resident set, every core)"
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}'; }
m_small=$(rss $cli -q -o "$out/small.txt" "$out/small")
m_tree=$(rss $cli -q -o "$out/native.txt" "$tree")
m_flat=$(rss $cli -q -o "$out/flat.txt" "$out/flat")
m_one=$(rss $cli -q -j 1 -o "$out/native1.txt" "$tree")
echo "20000 files: ${m_small} KB; $files files: ${m_tree} KB (one thread: ${m_one} KB);" \
     "one folder of 20000 files: ${m_flat} KB"

echo "== Wine (best of $runs, bare enumeration and dirsheet-cli.exe paired; dir /s once)"
wine "$enum" "$wtree" >/dev/null 2>&1 || true  # warm
t_enum=""; t_wcli=""; r_enum=""
for _ in $(seq "$runs"); do
  a=$(timed wine "$enum" "$wtree")
  b=$(timed wine "$wcli" -q -o "$(winpath "$out/wine.txt")" "$wtree")
  t_enum=$(min "$t_enum" "$a"); t_wcli=$(min "$t_wcli" "$b"); r_enum="$r_enum $(ratio "$b" "$a")"
done
t_wcli1=$(timed wine "$wcli" -q -j 1 -o "$(winpath "$out/wine1.txt")" "$wtree")
t_dir=$(timed sh -c "'$root/build/windows/wine-run.sh' cmd /c dir /s /a '$wtree' >'$out/dir.txt'")
echo "bare enumeration (W):       $(fmt "$t_enum") s"
echo "cmd /c dir /s /a (one run): $(fmt "$t_dir") s"
echo "dirsheet-cli.exe, one thread (one run): $(fmt "$t_wcli1") s"
echo "dirsheet-cli.exe ($(nproc) cores):   $(fmt "$t_wcli") s   paired ratio to enumeration" \
     "(median) $(echo "$r_enum" | median); best times $(ratio "$t_wcli" "$t_enum")"
echo "files per second: native $(echo "$files / $t_cli" | bc), Wine $(echo "$files / $t_wcli" | bc)," \
     "dir /s $(echo "$files / $t_dir" | bc)"
echo "load at end: $(uptime | sed 's/.*load average: //')"
