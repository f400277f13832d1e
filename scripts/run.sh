#!/usr/bin/env bash
# Builds the Windows program and starts its window under Wine (images/ lies beside the
# executable in the build). Needs an X display; without one, run it under a virtual one:
#   xvfb-run -a scripts/run.sh
# The listing without the window: build/windows/listing/dirsheet-cli.exe (see --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh
scripts/build.sh windows --target dirsheet --target dirsheet-cli
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: built build/windows/window/dirsheet.exe, but there is no display (DISPLAY is" >&2
  echo "run.sh: not set), so the window cannot be shown. Run it from a desktop session, or" >&2
  echo "run.sh: under a virtual X server: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
scripts/wine-prefix.sh "$root/build/windows"
exec build/windows/wine-run.sh build/windows/window/dirsheet.exe
