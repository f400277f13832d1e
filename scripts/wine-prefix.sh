#!/usr/bin/env bash
# wine-prefix.sh BUILD_DIR: makes the build's 32-bit Wine prefix on first use and keeps a
# wineserver alive for the runs that follow (its first start takes about 15 s).
set -euo pipefail
dir="$1"
export WINEPREFIX="$dir/wineprefix" WINEARCH=win32 WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
