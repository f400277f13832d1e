#!/usr/bin/env bash
# wine-prefix.sh BUILD_DIR: makes the build's Wine prefix (32- or 64-bit, as the build is)
# on first use and keeps a wineserver alive for the runs that follow (its first start
# takes about 15 s).
set -euo pipefail
dir="$1"
if [ ! -f "$dir/wineprefix/system.reg" ]; then
  echo "wine: creating prefix $dir/wineprefix"
  "$dir/wine-run.sh" wineboot -i >/dev/null 2>&1 || true
  "$dir/wineserver.sh" -w || true
fi
