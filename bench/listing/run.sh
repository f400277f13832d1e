#!/usr/bin/env bash
# The listing benchmark. Times, in one run and on the same synthetic tree (warm cache):
#   native: dirsheet-cli (every core, and one thread) against find -printf, with fd (names
#           only), ncdu -o (JSON export) and tree -a -s -D as further peers;
#   Wine:   dirsheet-cli.exe (every core, and one thread) against the bare sequential
#           enumeration program, where the enumeration's time goes (bench_enumerate -p, -r,
#           -j 2), and cmd /c dir /s /a;
# and the peak memory of dirsheet-cli on an empty folder (what the program and its
# libraries take), on trees of 20,000 and 200,000 files and on one folder of 20,000 files.
# Runs are interleaved and paired (each peer right before dirsheet-cli) and repeated; the
# best time of each, the median of the paired ratios and the CPU time (user + system) are
# printed, with the machine's load, since the machine is shared.
# usage: bench/listing/run.sh [RUNS] [native|wine|memory]...
#   (default: 7 runs, all three parts; the trees are made once in bench/tree/, bench/out/)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
runs="${1:-7}"
shift || true
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(native memory wine)
want() { local p; for p in "${parts[@]}"; do [ "$p" = "$1" ] && return 0; done; return 1; }
tree="$root/bench/tree"
out="$root/bench/out"
mkdir -p "$out" "$out/empty"

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
cli=build/native/listing/dirsheet-cli

# One run of a command (its output to /dev/null unless redirected inside): "wall cpu",
# in seconds, cpu being user + system time.
timed() {
  /usr/bin/time -o "$out/time.txt" -f "%e %U %S" "$@" >/dev/null 2>&1 || true
  tail -1 "$out/time.txt" | awk '{printf "%s %.2f\n", $1, $2 + $3}'
}
median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
best() { tr ' ' '\n' | grep . | sort -g | head -1; }
ratio() { echo "scale=3; $1 / $2" | bc | sed 's/^\./0./'; }
load() { uptime | sed 's/.*load average: //'; }

# Series of runs: add NAME COMMAND... adds the wall and CPU times of one run of COMMAND to
# the series NAME, and leaves its wall time in $last.
declare -A wall cpu
last=""
add() {
  local name=$1 result; shift
  result=$(timed "$@")
  wall[$name]="${wall[$name]:-} ${result% *}"
  cpu[$name]="${cpu[$name]:-} ${result#* }"
  last="${result% *}"
}
report() {  # NAME LABEL
  printf '%-40s best %6.2f s  median %6.2f s  cpu (median) %6.2f s\n' "$2" \
    "$(echo "${wall[$1]}" | best)" "$(echo "${wall[$1]}" | median)" "$(echo "${cpu[$1]}" | median)"
}

files=$(find "$tree" -type f | wc -l); folders=$(find "$tree" -type d | wc -l)
echo "tree: $files files in $folders folders; $(nproc) cores; load at start: $(load)"
find "$tree" >/dev/null  # warm the caches

if want native; then
  echo "== native, $runs rounds; each peer paired with a dirsheet-cli run right after it"
  r_find=""; r_fd=""; r_ncdu=""; r_one=""
  for _ in $(seq "$runs"); do
    add find sh -c "find '$tree' -printf '%p %s %T@\n' >'$out/find.txt'"; a=$last
    add cli $cli -q -o "$out/native.txt" "$tree"; b=$last
    add one $cli -q -j 1 -o "$out/native1.txt" "$tree"; c=$last
    r_find="$r_find $(ratio "$b" "$a")"
    r_one="$r_one $(ratio "$c" "$a")"
    add fd sh -c "'$fd' -H -I -u . '$tree' >'$out/fd.txt'"; a=$last
    add cli $cli -q -o "$out/native.txt" "$tree"; b=$last
    r_fd="$r_fd $(ratio "$b" "$a")"
    add ncdu ncdu -q -o "$out/ncdu.json" "$tree"; a=$last
    add cli $cli -q -o "$out/native.txt" "$tree"; b=$last
    r_ncdu="$r_ncdu $(ratio "$b" "$a")"
  done
  add tree sh -c "tree -a -s -D '$tree' >'$out/tree.txt'"
  cmp -s "$out/native.txt" "$out/native1.txt" || echo "bench: the listings of 1 and of every thread differ!"
  report find "find -printf '%p %s %T@\n'"
  report fd "fd -H -I -u (names only)"
  report ncdu "ncdu -o (JSON)"
  report tree "tree -a -s -D (one run)"
  report one "dirsheet-cli -j 1"
  report cli "dirsheet-cli ($(nproc) cores)"
  echo "paired ratios (median): to find $(echo "$r_find" | median) (one thread: $(echo "$r_one" | median))," \
       "to fd $(echo "$r_fd" | median), to ncdu $(echo "$r_ncdu" | median);" \
       "best times to find $(ratio "$(echo "${wall[cli]}" | best)" "$(echo "${wall[find]}" | best)")"
  echo "load after native: $(load)"
fi

if want memory; then
  echo "== peak memory of dirsheet-cli (maximum resident set; over the empty folder's)"
  rss() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -1; }
  for threads in 1 0; do
    label=$([ $threads = 1 ] && echo "one thread" || echo "$(nproc) cores")
    base=$(rss $cli -q -j "${threads/0/$(nproc)}" -o "$out/empty.txt" "$out/empty")
    line="$label: empty folder ${base} KB"
    for t in small:"20,000 files in 2,000 folders" flat:"one folder of 20,000 files" \
             tree:"$files files in $folders folders"; do
      dir="$out/${t%%:*}"; [ "${t%%:*}" = tree ] && dir="$tree"
      m=$(rss $cli -q -j "${threads/0/$(nproc)}" -o "$out/mem.txt" "$dir")
      line="$line; ${t#*:} ${m} KB (+$((m - base)))"
    done
    echo "$line"
  done
fi

if want wine; then
  scripts/build.sh windows --target dirsheet-cli bench_enumerate >/dev/null
  scripts/wine-prefix.sh "$root/build/windows"
  # The build's own Wine (32- or 64-bit prefix, as the build is); `timed` runs a program,
  # not a shell function, so the timed runs name the wrapper itself.
  winerun="$root/build/windows/wine-run.sh"
  wine() { "$winerun" "$@"; }
  wineserver() { "$root/build/windows/wineserver.sh" "$@"; }
  wineserver -p 2>/dev/null || true  # already running is fine
  trap 'wineserver -k 2>/dev/null || true' EXIT
  winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
  wtree="$(winpath "$tree")"
  wcli=build/windows/listing/dirsheet-cli.exe
  enum=build/windows/bench/listing/bench_enumerate.exe

  echo "== Wine, $runs rounds: the bare enumeration, then dirsheet-cli.exe on every core and on one thread"
  wine "$enum" "$wtree" >/dev/null 2>&1 || true  # warm
  r_enum=""; r_enum1=""
  for _ in $(seq "$runs"); do
    add enum "$winerun" "$enum" "$wtree"; a=$last
    add wcli "$winerun" "$wcli" -q -o "$(winpath "$out/wine.txt")" "$wtree"; b=$last
    add wone "$winerun" "$wcli" -q -j 1 -o "$(winpath "$out/wine1.txt")" "$wtree"; c=$last
    r_enum="$r_enum $(ratio "$b" "$a")"
    r_enum1="$r_enum1 $(ratio "$c" "$a")"
  done
  cmp -s "$out/wine.txt" "$out/wine1.txt" || echo "bench: the Wine listings of 1 and of every thread differ!"
  report enum "bare enumeration (find-first)"
  report wone "dirsheet-cli.exe -j 1"
  report wcli "dirsheet-cli.exe ($(nproc) cores)"
  echo "paired ratios to the enumeration (median): $(nproc) cores $(echo "$r_enum" | median)," \
       "one thread $(echo "$r_enum1" | median); best times $(ratio "$(echo "${wall[wcli]}" | best)" "$(echo "${wall[enum]}" | best)")" \
       "and $(ratio "$(echo "${wall[wone]}" | best)" "$(echo "${wall[enum]}" | best)")"
  echo "-- where a folder's time goes under Wine (one run each):"
  wine "$enum" -p "$wtree" | sed 's/^/   /'
  wine "$enum" -r "$wtree" | sed 's/^/   /'
  for j in 1 2 3; do wine "$enum" -j $j "$wtree" | sed 's/^/   /'; done
  add dir sh -c "'$root/build/windows/wine-run.sh' cmd /c dir /s /a '$wtree' >'$out/dir.txt'"
  report dir "cmd /c dir /s /a (one run)"
  echo "files per second: native $(echo "$files / $(echo "${wall[cli]:-1}" | best)" | bc)," \
       "Wine $(echo "$files / $(echo "${wall[wcli]}" | best)" | bc)," \
       "dir /s $(echo "$files / $(echo "${wall[dir]}" | best)" | bc)"
fi
echo "load at end: $(load)"
