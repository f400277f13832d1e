#!/usr/bin/env bash
# The main window's benchmark, under Wine on a virtual X server:
#   start-up of dirsheet.exe (until its tree's top level is built) against a minimal
#   Win32 window program, and a scan of the listing benchmark's synthetic tree clicked
#   in the window against dirsheet-cli.exe on the same tree, with the window's
#   responsiveness during the scan and the time a Stop click takes to end it.
# usage: bench/window/run.sh [RUNS]   (the tree is made once in bench/tree/)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
runs="${1:-3}"
tree="$root/bench/tree"
out="$root/bench/out"
mkdir -p "$out"
[ -d "$tree" ] || python3 bench/listing/make_tree.py "$tree"
scripts/build.sh windows --target dirsheet --target dirsheet-cli --target bench_minimal_window \
  --target bench_window_driver >/dev/null
scripts/wine-prefix.sh "$root/build/windows"
export WINEPREFIX="$root/build/windows/wineprefix" WINEARCH=win32 WINEDEBUG=-all
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
b="$root/build/windows"
run() {
  wineserver -p
  wine "$b/bench/window/bench_window_driver.exe" startup "$(winpath "$b/window/dirsheet.exe")" \
    "$(winpath "$b/bench/window/bench_minimal_window.exe")" $(( runs * 3 ))
  wine "$b/bench/window/bench_window_driver.exe" scan "$(winpath "$b/window/dirsheet.exe")" \
    "$(winpath "$b/listing/dirsheet-cli.exe")" "$(winpath "$tree")" "$(winpath "$out/window-cli.txt")" \
    "$runs"
  # The viewers that the finished scans opened.
  wineserver -k || true
}
if [ -n "${DISPLAY:-}" ]; then
  run
else
  export -f run winpath
  export b tree out runs
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c run
fi
