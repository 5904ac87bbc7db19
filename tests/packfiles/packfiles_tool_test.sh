#!/usr/bin/env bash
# The packfiles tool on a design file: add, list, extract and remove entries, and its refusals.
# Usage: packfiles_tool_test.sh PATH_TO_PACKFILES
set -uo pipefail
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
passed=0 failed=0
check() {  # check NAME COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
fails() { ! "$@" 2>/dev/null; }

mkdir in
for i in $(seq 1 2000); do echo "entry text line $i, repeated for compression"; done >in/readme.txt
head -c 70000 /dev/urandom >in/lib.bin
: >in/empty.dat

check "add compressed" "$tool" add store.kiv in/readme.txt --description "Read me"
check "add plain" "$tool" add store.kiv in/lib.bin --name LIBUNRAR.SO --description "RAR library" --plain
check "add empty" "$tool" add store.kiv in/empty.dat
check "design names the store" grep -q "object kivFiles: TPackFiles" store.kiv
check "design keeps no file names" fails grep -q "Filename" store.kiv

"$tool" list store.kiv >list.txt
check "list shows compressed entry" grep -Eq "^ +0 compressed +[0-9]+ +readme.txt +Read me$" list.txt
check "list shows plain entry" grep -Eq "^ +1 plain +70000 +LIBUNRAR.SO +RAR library$" list.txt
check "list shows empty entry" grep -Eq "^ +2 compressed +0 +empty.dat" list.txt

check "extract by other case" "$tool" extract store.kiv README.TXT out.txt
check "extracted text" cmp -s in/readme.txt out.txt
check "extract to entry name" "$tool" extract store.kiv libunrar.so
check "extracted library" cmp -s in/lib.bin LIBUNRAR.SO
check "extract empty" "$tool" extract store.kiv empty.dat empty.out
check "extracted empty" test -f empty.out -a ! -s empty.out

cp store.kiv before.kiv
check "same name refused" fails "$tool" add store.kiv in/readme.txt
check "missing file refused" fails "$tool" add store.kiv in/none
check "unknown entry refused" fails "$tool" remove store.kiv nothing
check "refusals leave design alone" cmp -s store.kiv before.kiv
check "unknown entry not extracted" fails "$tool" extract store.kiv nothing x.out
check "nothing written for it" test ! -e x.out

check "remove" "$tool" remove store.kiv readme.txt
"$tool" list store.kiv >list2.txt
check "removed entry gone" fails grep -q readme.txt list2.txt
check "others moved up" grep -Eq "^ +0 plain +70000 +LIBUNRAR.SO" list2.txt

printf 'object Main: TPackModule\n  object kivFiles: TPackFiles\n    Items = <\n      item\n        Name = %s\n        Compress = True\n        TPFData = {5A504B09000000050000004080000010}\n      end>\n  end\nend\n' "'BAD'" >bad.kiv
"$tool" list bad.kiv 2>err.txt
check "damaged design fails" test $? -eq 1
check "damage is named" grep -q "bad.kiv, line 7.*reaches before the start" err.txt

"$tool" frobnicate store.kiv 2>/dev/null
check "usage error exits 2" test $? -eq 2
check "help" "$tool" --help

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
