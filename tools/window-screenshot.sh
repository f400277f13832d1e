#!/usr/bin/env bash
# Takes docs/screenshot.png: starts the window under Wine on a virtual X server, opens
# My Computer and (C:) with mouse clicks, picks (C:) and captures the window.
# Usage: xvfb-run -a -s "-screen 0 640x560x24" tools/window-screenshot.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/build.sh windows --target dirsheet >/dev/null
scripts/wine-prefix.sh "$root/build/windows"
# A copy of the build's prefix in which Wine draws the window frame itself (there is no
# window manager on the virtual server).
prefix="$(mktemp -d)"
trap 'DIRSHEET_WINEPREFIX="$prefix" build/windows/wineserver.sh -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
cp -a build/windows/wineprefix/. "$prefix/"
export DIRSHEET_WINEPREFIX="$prefix"
wine() { build/windows/wine-run.sh "$@"; }
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine build/windows/window/dirsheet.exe &
sleep 6
wid="$(xdotool search --name "Dirsheet Rizedazer" | head -1)"
xdotool mousemove 65 239 click 1; sleep 1.5    # expand My Computer
xdotool mousemove 84 271 click 1; sleep 1.5    # expand (C:)
xdotool mousemove 122 271 click 1; sleep 1     # pick (C:)
import -window "$wid" docs/screenshot.png
