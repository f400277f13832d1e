#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, only what is missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format-14 clang-tidy-14 googletest
          mingw-w64 wine wine64 wine32:i386 xvfb xauth xdotool imagemagick
          libpng-dev zlib1g-dev shared-mime-info libglib2.0-bin)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
