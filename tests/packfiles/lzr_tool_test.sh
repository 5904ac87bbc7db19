#!/usr/bin/env bash
# lzr on files: round trips, the exact form of a small input, and damaged input refused with
# OUT left untouched. Usage: lzr_tool_test.sh PATH_TO_LZR
set -uo pipefail
lzr=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() {  # check NAME COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

: >"$dir/empty"
printf 'abc' >"$dir/abc"
head -c 100000 /dev/urandom >"$dir/random"
for i in $(seq 1 3000); do echo "line $i of a text that repeats itself quite a lot"; done >"$dir/text"
cp "$lzr" "$dir/binary"
{ head -c 40000 "$dir/text"; head -c 30000 /dev/zero; head -c 5000 "$dir/random"; } >"$dir/mixed"

for f in empty abc random text binary mixed; do
    check "compress $f" "$lzr" c "$dir/$f" "$dir/$f.zpk"
    check "decompress $f" "$lzr" d "$dir/$f.zpk" "$dir/$f.out"
    check "round trip $f" cmp -s "$dir/$f" "$dir/$f.out"
done
check "text shrinks" test "$(stat -c %s "$dir/text.zpk")" -lt "$(stat -c %s "$dir/text")"
check "empty form is 7 bytes" test "$(stat -c %s "$dir/empty.zpk")" -eq 7
printf 'ZPK\x08\x00\x00\x00\x04\x00\x00\x00\x80abc' >"$dir/abc.expected"
check "form of abc" cmp -s "$dir/abc.zpk" "$dir/abc.expected"

refused() {  # refused INPUT WORDS: lzr d fails, says WORDS, leaves OUT alone and no temp file
    echo "previous content" >"$dir/out"
    : >"$dir/err"
    local before
    before=$(ls "$dir" | wc -l)
    if "$lzr" d "$1" "$dir/out" 2>"$dir/err"; then echo "  accepted $1"; return 1; fi
    grep -q "$2" "$dir/err" || { echo "  message: $(cat "$dir/err")"; return 1; }
    [ "$(cat "$dir/out")" = "previous content" ] && [ "$(ls "$dir" | wc -l)" -eq "$before" ]
}
head -c $(($(stat -c %s "$dir/mixed.zpk") - 3)) "$dir/mixed.zpk" >"$dir/truncated.zpk"
check "truncated refused" refused "$dir/truncated.zpk" "truncated"
cp "$dir/text.zpk" "$dir/trailing.zpk" && printf 'x' >>"$dir/trailing.zpk"
check "trailing bytes refused" refused "$dir/trailing.zpk" "follow the compressed data"
printf 'ZPK\x09\x00\x00\x00\x05\x00\x00\x00\x40\x80\x00\x00\x10' >"$dir/backref.zpk"
check "bad back reference refused" refused "$dir/backref.zpk" "reaches before the start"
check "missing input refused" refused "$dir/none.zpk" "none.zpk"

"$lzr" x a b 2>/dev/null; check "usage error exits 2" test $? -eq 2
check "help" "$lzr" --help

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
