#!/usr/bin/env bash
# Prints the architecture of the Windows build this machine can run under Wine: i686 (the
# shipped 32-bit program) when Wine's 32-bit loader starts, x86_64 otherwise (some kernels
# are built or booted without 32-bit emulation: "Exec format error"). DIRSHEET_WINDOWS_ARCH
# overrides the choice.
set -euo pipefail
if [ -n "${DIRSHEET_WINDOWS_ARCH:-}" ]; then
  echo "$DIRSHEET_WINDOWS_ARCH"
elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
