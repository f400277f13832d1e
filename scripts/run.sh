#!/usr/bin/env bash
# Builds the Windows program and starts its window under Wine (images/ lies beside the
# executable in the build). Needs an X display; without one, run it under a virtual one:
#   xvfb-run -a scripts/run.sh
# The listing without the window: build/windows/listing/dirsheet-cli.exe (see --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY is not set), so the window cannot be shown." >&2
  echo "run.sh: run it from a desktop session, or under a virtual X server: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
scripts/setup.sh
scripts/build.sh windows --target dirsheet --target dirsheet-cli
scripts/wine-prefix.sh "$root/build/windows"
exec build/windows/wine-run.sh build/windows/window/dirsheet.exe
