#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine.
# Until the window exists this lists a folder with dirsheet-cli.exe:
#   scripts/run.sh [FOLDER] [dirsheet-cli options]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh
scripts/build.sh windows --target dirsheet-cli
scripts/wine-prefix.sh "$root/build/windows"
folder="${1:-$root}"; shift || true
winfolder="$(build/windows/wine-run.sh winepath -w "$folder" 2>/dev/null)"
exec build/windows/wine-run.sh build/windows/listing/dirsheet-cli.exe "$@" "$winfolder"
