#!/usr/bin/env bash
# The PNG decoder benchmark (see docs/PERFORMANCE.md):
#   native: png_bench against the system's libpng and libspng (installed when missing);
#   memory: the peak resident set of pngdump on large and hostile files;
#   Wine:   png_bench.exe of the Windows build against libpng, libspng and zlib compiled
#           from their Debian sources for that build (fetched once into bench/out/).
# usage: bench/png/run.sh [RUNS] [native|memory|wine ...]   (default: all three)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
runs="${1:-9}"; shift || true
parts=("$@"); [ ${#parts[@]} -eq 0 ] && parts=(native memory wine)
out="$root/bench/out/png"
mkdir -p "$out"
sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"

# The peers, installed through apt when missing.
need=()
for p in libpng-dev zlib1g-dev libspng-dev time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "bench: installing ${need[*]}"
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

load() { echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"; }

for part in "${parts[@]}"; do
case "$part" in
native)
  # A build configured before libspng was installed looks for it again.
  [ -f build/native/CMakeCache.txt ] && cmake -S . -B build/native -U 'SPNG_*' >/dev/null
  scripts/build.sh native --target png_bench pngdump >/dev/null
  echo "== native"; load
  build/native/bench/png/png_bench "$runs"
  load
  ;;
memory)
  scripts/build.sh native --target png_bench pngdump >/dev/null
  build/native/bench/png/png_bench --write "$out" >/dev/null
  echo "== peak memory of pngdump (maximum resident set, /usr/bin/time)"
  printf '%-28s %10s %10s %10s %8s %s\n' file "file KB" "bitmap KB" "peak KB" seconds result
  for f in rgb8.png rgba8.png rgb16.png rgba-4096.png text-50000.png ztxt-2000.png palette-16384x8192.png /dev/zero; do
    path="$f"; [ "${f#/}" = "$f" ] && path="$out/$f"
    /usr/bin/time -o "$out/time.txt" -f '%M %e' build/native/png/pngdump "$path" >"$out/dump.txt" 2>"$out/dump.err" || true
    read -r peak secs < <(tail -1 "$out/time.txt")
    w=$(awk '/^Width:/ {print $2}' "$out/dump.txt"); h=$(awk '/^Height:/ {print $2}' "$out/dump.txt")
    bitmap=$(( ${w:-0} * ${h:-0} * 4 / 1024 ))
    size=$([ -f "$path" ] && echo $(( $(stat -c %s "$path") / 1024 )) || echo -)
    result="$(grep -h pngdump: "$out/dump.err" | head -1 || true)"; [ -z "$result" ] && result="decoded"
    printf '%-28s %10s %10s %10s %8s %s\n' "$(basename "$f")" "$size" "$bitmap" "$peak" "$secs" "$result"
  done
  echo "(bitmap: width x height x 4, the 32-bit size; the program's own resident set without a file is about 4 MB)"
  ;;
wine)
  # zlib, libpng and libspng from their Debian sources, compiled for the Windows build.
  peers="$root/bench/out/png-peers"
  if [ ! -f "$peers/libspng/spng/spng.c" ]; then
    src="$peers/download"; mkdir -p "$src/lists/partial"
    echo "deb-src http://deb.debian.org/debian bookworm main" >"$src/sources.list"
    opts=(-o "Dir::Etc::SourceList=$src/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o "Dir::State::Lists=$src/lists")
    apt-get "${opts[@]}" update -qq
    (cd "$src" && apt-get "${opts[@]}" source --download-only -qq zlib libpng1.6 libspng)
    for pair in zlib:zlib_ libpng:libpng1.6_ libspng:libspng_; do
      name=${pair%%:*}; prefix=${pair#*:}
      rm -rf "${peers:?}/$name"; mkdir -p "$peers/$name"
      tar xf "$src"/"$prefix"*.orig.tar.* -C "$peers/$name" --strip-components=1
    done
  fi
  scripts/build.sh windows --target pngdump >/dev/null
  cmake -S . -B build/windows -DDIRSHEET_PNG_PEERS="$peers" >/dev/null
  cmake --build build/windows --target png_bench >/dev/null
  scripts/wine-prefix.sh "$root/build/windows"
  echo "== Wine ($(grep -o 'toolchain-mingw-[a-z0-9_]*' build/windows/CMakeCache.txt | head -1))"; load
  build/windows/wine-run.sh build/windows/bench/png/png_bench.exe "$runs"
  load
  ;;
*) echo "usage: bench/png/run.sh [RUNS] [native|memory|wine ...]" >&2; exit 2 ;;
esac
done
