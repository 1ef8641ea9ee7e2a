#!/bin/bash
# A backup folder kept in git: with dump as the textconv of *.rec files,
# `git diff` of a setup record file in which one byte of one record changed
# shows that record's changed line of bytes, and nothing else.
#
# Usage: git_textconv_test.sh QUELVARINIT_CLI
# Needs git: skipped (77) without it, a failure under CI=true. dump sends
# nothing, but the tool runs only in a private network namespace all the same.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

skip() {
    echo "git_textconv_test: $*" >&2
    if [ "${CI:-}" = "true" ]; then exit 1; fi
    exit 77
}

[ $# -eq 1 ] || { echo "usage: git_textconv_test.sh QUELVARINIT_CLI" >&2; exit 2; }

if [ "${QUELVAR_IN_NETNS:-}" != "1" ]; then
    command -v git >/dev/null 2>&1 || skip "needs git"
    exec "$root/scripts/netns-run" bash "$0" "$(readlink -f "$1")"
fi

cli="$1"
work=$(mktemp -d "${TMPDIR:-/tmp}/quelvar-git.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Nothing of the user's or the machine's git settings takes part.
export HOME="$work" GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null LANG=C LC_ALL=C
export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.invalid
export GIT_COMMITTER_NAME=test GIT_COMMITTER_EMAIL=test@example.invalid

# A download's file: the header, then records 0 and 2 to 8, data byte i of
# record n being (31 n + 7 i) mod 256.
bytes='\0004RECF'
for number in 0 2 3 4 5 6 7 8; do
    size=126
    [ "$number" = 0 ] && size=120
    printf -v escape '\\0%03o' "$number"
    bytes+="$escape"
    for ((i = 0; i < size; i++)); do
        printf -v escape '\\0%03o' $(((31 * number + 7 * i) % 256))
        bytes+="$escape"
    done
done

cd "$work" && git init -q site && cd site || fail "cannot make a repository"
echo '*.rec diff=rec' >.gitattributes
git config diff.rec.textconv "'$cli' dump"
printf '%b' "$bytes" >module.rec
[ "$(wc -c <module.rec)" = $((5 + 121 + 7 * 127)) ] || fail "module.rec has the wrong size"
git add .gitattributes module.rec && git commit -q -m "first backup" || fail "cannot commit"
[ -z "$(git diff)" ] || fail "git diff shows a change before any"

# Byte 34 (0x22) of record 5, the fifth record: it begins at 5 + 121 + 3 * 127.
printf '\377' | dd of=module.rec bs=1 seek=$((5 + 121 + 3 * 127 + 1 + 34)) conv=notrunc 2>/dev/null
git diff >diff.txt || fail "git diff failed"

changed=$(grep -E '^[-+]' diff.txt | grep -vE '^(---|\+\+\+) ')
expected='-0020  7B 82 89 90 97 9E A5 AC  B3 BA C1 C8 CF D6 DD E4  |{...............|
+0020  7B 82 FF 90 97 9E A5 AC  B3 BA C1 C8 CF D6 DD E4  |{...............|'
[ "$changed" = "$expected" ] || fail "git diff changes other lines than record 5's at 0020:
$(cat diff.txt)"
# The record the changed line lies in: the last record heading above it, in
# the hunk's lines or in its header (where git names the last line above the
# hunk that begins with a letter).
record=$(sed -n '/^-[0-9A-F]/q; s/^\(@@ .* @@\)\{0,1\} \{0,1\}\(record [0-9]* (126 bytes)\)$/\2/p' diff.txt |
    tail -n 1)
[ "$record" = "record 5 (126 bytes)" ] || fail "the change is not shown in record 5:
$(cat diff.txt)"
# The text shown is dump's, not "Binary files differ".
grep -q '^Binary' diff.txt && fail "git diff shows a binary change"
echo "git diff through dump: record 5, bytes 0020-002F, one byte changed"
exit 0
