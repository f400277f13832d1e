#!/usr/bin/env bash
# The main window's benchmark, under Wine on a virtual X server:
#   start-up of dirsheet.exe (until its window is mapped and painted, polled every 10 ms
#   from the X server) against a minimal Win32 window program; a scan of the listing
#   benchmark's synthetic tree clicked in the window against dirsheet-cli.exe on the same
#   tree, with the window's responsiveness during the scan and the time a Stop click
#   takes to end it; and the expansion of a folder of 2,000 subfolders in the tree
#   against a bare enumeration.
# usage: bench/window/run.sh [RUNS]   (the tree is made once in bench/tree/)
set -euo pipefail
# The window needs a display: without one, run again under a virtual X server.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
runs="${1:-3}"
tree="$root/bench/tree"
out="$root/bench/out"
mkdir -p "$out"
[ -d "$tree" ] || python3 bench/listing/make_tree.py "$tree"
scripts/build.sh windows --target dirsheet --target dirsheet-cli --target bench_minimal_window \
  --target bench_minimal_window_dlls --target bench_minimal_window_controls --target bench_window_driver \
  --target bench_window_expand \
  >/dev/null
scripts/wine-prefix.sh "$root/build/windows"
# The build's own Wine (32- or 64-bit prefix, as the build is).
wine() { "$root/build/windows/wine-run.sh" "$@"; }
wineserver() { "$root/build/windows/wineserver.sh" "$@"; }
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
b="$root/build/windows"
wineserver -p
# The viewers that the finished scans opened go with the Wine server at the end.
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start-up, seen from the X server: the program and the minimal window (also with the
# program's libraries) in turn, until each is mapped and shows its settled picture.
python3 "$root/bench/window/startup.py" "$b/wine-run.sh" $(( runs * 3 )) \
  "dirsheet=$b/window/dirsheet.exe" "minimal=$b/bench/window/bench_minimal_window.exe" \
  "minimal+libraries=$b/bench/window/bench_minimal_window_dlls.exe" \
  "minimal+controls=$b/bench/window/bench_minimal_window_controls.exe"
wine "$b/bench/window/bench_window_driver.exe" scan "$(winpath "$b/window/dirsheet.exe")" \
  "$(winpath "$b/listing/dirsheet-cli.exe")" "$(winpath "$tree")" "$(winpath "$out/window-cli.txt")" \
  "$runs"
wine "$b/bench/window/bench_window_expand.exe"
