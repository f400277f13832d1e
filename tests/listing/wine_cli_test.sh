#!/bin/sh
# dirsheet-cli.exe under Wine on a tree made on the Linux side and reached through Z:: a
# link back to an ancestor, a name outside the ANSI code page, and the exit codes.
# usage: wine_cli_test.sh DIRSHEET-CLI.EXE WINE-RUN.SH
set -eu
cli="$1"; run="$2"
tmp="$(mktemp -d /tmp/dirsheet-wine-XXXXXX)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; echo "--- stdout"; cat "$tmp/out"; echo "--- stderr"; cat "$tmp/err"; exit 1; }

mkdir -p "$tmp/tree/a/b" "$tmp/tree/ελληνικά"
printf 'abc' > "$tmp/tree/a/b/f.zzq"
printf 'hello' > "$tmp/tree/ελληνικά/x.zzq"
ln -s ../.. "$tmp/tree/a/b/up"
win="Z:$(printf '%s' "$tmp/tree" | tr / '\\')"

rc=0; "$run" "$cli" -q "$win" >"$tmp/out" 2>"$tmp/err" || rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc for a complete listing"
grep -q "not entering .*up: it leads back" "$tmp/err" || fail "the link loop is not reported"
grep -q "^Total File(s): 2" "$tmp/out" || fail "files in every folder, once each"
grep -q "^Total Folder(s): 4" "$tmp/out" || fail "a, b, up and the Greek folder are counted"
grep -q "^Total Files Size: 0 MB; 0 KB; 8 Byte(s)" "$tmp/out" || fail "bytes"
[ "$(grep -c "$(printf '\r')\$" "$tmp/out")" -eq "$(wc -l < "$tmp/out")" ] || fail "CR LF lines"

rc=0; "$run" "$cli" -q "$win\\missing" >"$tmp/out" 2>"$tmp/err" || rc=$?
[ "$rc" -eq 1 ] || fail "exit code $rc for a folder that cannot be read"
grep -q "cannot read folder" "$tmp/err" || fail "unreadable folder not reported"

rc=0; "$run" "$cli" -q -o "$win\\no\\such\\dir.txt" "$win" >"$tmp/out" 2>"$tmp/err" || rc=$?
[ "$rc" -eq 3 ] || fail "exit code $rc for a listing that cannot be created"
echo "wine_cli_test: 3 passed, 0 failed"
