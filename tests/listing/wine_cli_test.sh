#!/bin/sh
# dirsheet-cli.exe under Wine on trees made on the Linux side and reached through Z:: a
# link back to an ancestor, names outside the ANSI code page in each encoding, names that
# Windows forbids (< > : " | ? * and a backslash, which Wine shows as they are but which
# the path syntax refuses), and the exit codes.
# usage: wine_cli_test.sh DIRSHEET-CLI.EXE WINE-RUN.SH
set -eu
cli="$1"; run="$2"
tmp="$(mktemp -d /tmp/dirsheet-wine-XXXXXX)"
trap 'rm -rf "$tmp"' EXIT
passed=0
fail() { echo "FAIL: $*"; echo "--- stdout"; cat "$tmp/out"; echo "--- stderr"; cat "$tmp/err"; exit 1; }
ok() { passed=$((passed + 1)); }
win() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
cli() { rc=0; "$run" "$cli" "$@" >"$tmp/out" 2>"$tmp/err" || rc=$?; }

mkdir -p "$tmp/tree/a/b" "$tmp/tree/ελληνικά"
printf 'abc' > "$tmp/tree/a/b/f.zzq"
printf 'hello' > "$tmp/tree/ελληνικά/x.zzq"
ln -s ../.. "$tmp/tree/a/b/up"
tree="$(win "$tmp/tree")"

cli -q "$tree"
[ "$rc" -eq 1 ] || fail "exit code $rc: the loop makes the listing incomplete"
grep -q "not entering .*up: it leads back to " "$tmp/err" || fail "the link loop is not reported"
grep -q "^Total File(s): 2" "$tmp/out" || fail "files in every folder, once each"
grep -q "^Total Folder(s): 4" "$tmp/out" || fail "a, b, up and the Greek folder are counted"
grep -q "^Total Files Size: 0 MB; 0 KB; 8 Byte(s)" "$tmp/out" || fail "bytes"
[ "$(grep -c "$(printf '\r')\$" "$tmp/out")" -eq "$(wc -l < "$tmp/out")" ] || fail "CR LF lines"
ok

# The Greek name in the code page (?), in HTML as references, in UTF-8 as it is.
grep -q '^Z:.*\\????????.$' "$tmp/out" || fail "the code page has no Greek: ? per character"
cli -q -t html "$tree"
grep -q '&#949;&#955;&#955;&#951;&#957;&#953;&#954;&#940;</b>' "$tmp/out" || fail "HTML references"
grep -q '^<td>\*\{'"$(printf '%s' "$tree" | wc -c)"'\}\*\{9\}.$' "$tmp/out" || fail "underline"
cli -q --encoding utf-8 "$tree"
grep -q 'ελληνικά' "$tmp/out" || fail "UTF-8 text keeps the name"
cli -q -t jsonl "$tree"
grep -q '"folder":"Z:.*\\\\ελληνικά","name":"x.zzq"' "$tmp/out" || fail "JSON keeps the name"
ok

# Names Windows forbids: every folder is walked through the name the enumeration gives
# (its short name), so no file below it goes missing.
forbidden="$tmp/forbidden"
for n in 'a<b' 'c>d' 'e:f' 'g"h' 'i|j' 'k?l' 'm*n' 'back\slash' 'dot.' 'space '; do
  mkdir -p "$forbidden/$n/inner"
  printf 'x' > "$forbidden/$n/file.txt"
  printf 'yy' > "$forbidden/$n/inner/deep.txt"
done
cli -q -t jsonl -a size "$(win "$forbidden")"
[ "$rc" -eq 0 ] || fail "exit code $rc for folders with forbidden names"
[ "$(grep -c '"kind":"file"' "$tmp/out")" -eq 20 ] || fail "every file below such folders"
grep -q '"folder":"Z:.*\\\\a<b\\\\inner","name":"deep.txt"' "$tmp/out" || fail "names as they are"
grep -q '"kind":"totals","folders":20,"files":20,"size":30' "$tmp/out" || fail "totals"
ok

# A folder the tool cannot list is named on standard error, not left out in silence.
mkdir -p "$tmp/ctl/bell$(printf '\007')name"
printf 'z' > "$tmp/ctl/bell$(printf '\007')name/f.txt"
cli -q "$(win "$tmp/ctl")"
if grep -q "File(s): 1" "$tmp/out"; then :; else
  [ "$rc" -eq 1 ] || fail "exit code $rc for a folder that cannot be reached"
  grep -q "cannot read folder .*bell?name" "$tmp/err" || fail "unreachable folder not named"
fi
ok

cli -q "$tree\\missing"
[ "$rc" -eq 2 ] || fail "exit code $rc for a folder that does not exist"
grep -q "is not a folder" "$tmp/err" || fail "missing folder not named"
[ ! -s "$tmp/out" ] || fail "nothing is written for a missing folder"
ok

cli -q -o "$tree\\no\\such\\dir.txt" "$tree"
[ "$rc" -eq 3 ] || fail "exit code $rc for a listing that cannot be created"
ok
echo "wine_cli_test: $passed passed, 0 failed"
