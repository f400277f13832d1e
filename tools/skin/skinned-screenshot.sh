#!/usr/bin/env bash
# Takes a screenshot of the main window wearing a skin: starts the program under Wine on
# a virtual X server with SKIN in place of its own skin file and captures the window with
# a margin of desktop around it (which shows a skin's transparent corners).
# Usage: xvfb-run -a -s "-screen 0 800x640x24" tools/skin/skinned-screenshot.sh [SKIN OUT.png]
#   (default: images/RAD.Skin to docs/screenshot-skinned.png;
#    tools/skin/examples/ember/ember.skin docs/screenshot-ember.png for the example skin)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
skin="${1:-images/RAD.Skin}"
out="${2:-docs/screenshot-skinned.png}"
scripts/build.sh windows --target dirsheet >/dev/null
images=build/windows/window/images
cp -r images/. "$images/"     # the files as they are now, not as last linked
cp "$skin" "$images/RAD.Skin"
trap 'cp images/RAD.Skin "$images/RAD.Skin"' EXIT
scripts/wine-prefix.sh "$root/build/windows"
build/windows/wine-run.sh build/windows/window/dirsheet.exe &
pid=$!
sleep 8
wid="$(xdotool search --name "Dirsheet Rizedazer" | head -1)"
eval "$(xdotool getwindowgeometry --shell "$wid")"
import -window root -crop "$((WIDTH + 16))x$((HEIGHT + 16))+$((X - 8))+$((Y - 8))" +repage "$out"
kill "$pid" 2>/dev/null || true
build/windows/wineserver.sh -k 2>/dev/null || true
