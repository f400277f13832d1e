#!/usr/bin/env bash
# Takes docs/screenshot-skinned.png: starts the program under Wine on a virtual X server
# and captures the skinned main window with the desktop around its rounded corners.
# Usage: xvfb-run -a -s "-screen 0 800x640x24" tools/skin/skinned-screenshot.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
scripts/build.sh windows --target dirsheet >/dev/null
cp -r images/. build/windows/window/images/  # the skin as it is now, not as last linked
scripts/wine-prefix.sh "$root/build/windows"
build/windows/wine-run.sh build/windows/window/dirsheet.exe &
pid=$!
sleep 8
wid="$(xdotool search --name "Dirsheet Rizedazer" | head -1)"
eval "$(xdotool getwindowgeometry --shell "$wid")"
# A margin of desktop around the window shows the transparent corners.
import -window root -crop "$((WIDTH + 16))x$((HEIGHT + 16))+$((X - 8))+$((Y - 8))" +repage \
  docs/screenshot-skinned.png
kill "$pid" 2>/dev/null || true
build/windows/wineserver.sh -k 2>/dev/null || true
