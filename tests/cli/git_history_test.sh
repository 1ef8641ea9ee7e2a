#!/bin/bash
# A site's history in git: three simulated modules backed up into a
# repository and committed; then one byte of one record of module 0 changes
# and module 1 is readdressed, and a second backup into the same folder shows
# in `git diff` (dump as the textconv of *.rec) only that: module 0's file
# with that record's one line of bytes, module 1's file under the same name,
# and in backup.json only the lines of those two modules' entries and the
# times of the run.
#
# Usage: git_history_test.sh QUELVARINIT_CLI QUELVAR_SIM
# Needs git: skipped (77) without it, a failure under CI=true.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

skip() {
    echo "git_history_test: $*" >&2
    if [ "${CI:-}" = "true" ]; then exit 1; fi
    exit 77
}

[ $# -eq 2 ] || { echo "usage: git_history_test.sh QUELVARINIT_CLI QUELVAR_SIM" >&2; exit 2; }

if [ "${QUELVAR_IN_NETNS:-}" != "1" ]; then
    command -v git >/dev/null 2>&1 || skip "needs git"
    exec "$root/scripts/netns-run" bash "$0" "$(readlink -f "$1")" "$(readlink -f "$2")"
fi

cli="$1"
sim="$2"
sim_pid=""
work=$(mktemp -d "${TMPDIR:-/tmp}/quelvar-history.XXXXXX") || exit 1

cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# run NAME ARGS...: the console, which must succeed; its output in $work/NAME.out.
run() {
    local name="$1"
    shift
    timeout 90 "$cli" "$@" >"$work/$name.out" 2>&1 || fail "$name: exit $?: $(cat "$work/$name.out")"
}

# Nothing of the user's or the machine's git settings takes part.
export HOME="$work" GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null LANG=C LC_ALL=C
export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.invalid
export GIT_COMMITTER_NAME=test GIT_COMMITTER_EMAIL=test@example.invalid

# Modules 02-00-5E-10-00-00 to -02 at 127.0.0.2 to .4, products AA, BA, CA.
"$sim" --modules 3 --exit-after 120 >"$work/sim.txt" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    grep -q '^ready$' "$work/sim.txt" 2>/dev/null && break
    sleep 0.1
done
grep -q '^ready$' "$work/sim.txt" ||
    { echo "git_history_test: the simulated modules did not start: $(cat "$work/sim.txt")" >&2; exit 1; }

repo="$work/site"
git init -q "$repo" && cd "$repo" || fail "cannot make a repository"
echo '*.rec diff=rec' >.gitattributes
git config diff.rec.textconv "'$cli' dump"
run first backup . --yes --jobs 0
file0="02-00-5E-10-00-00 - AA.rec"
file1="02-00-5E-10-00-01 - BA.rec"
file2="02-00-5E-10-00-02 - CA.rec"
for file in "$file0" "$file1" "$file2"; do
    [ -s "$file" ] || fail "the backup has no $file: $(ls)"
done
git add -A && git commit -q -m "first backup" || fail "cannot commit"

# Module 0 gets its records back with byte 34 (0x22) of record 5 changed:
# record 5 begins at 5 + 121 + 3 * 127 (a header, record 0, records 2 to 4).
cp "$file0" "$work/changed.rec"
printf '\377' | dd of="$work/changed.rec" bs=1 seek=$((5 + 121 + 3 * 127 + 1 + 34)) conv=notrunc 2>/dev/null
run load load 127.0.0.2 "$work/changed.rec" --yes
run set-ip set-ip 127.0.0.3 127.0.0.40 --yes
run second backup . --yes --jobs 0

# Module 0's file changed; the readdressed module's file kept its name (changed
# only if the module keeps its address in the records it reads back); nothing
# added or removed.
status=$(git status --porcelain -z | tr '\0' '\n' | grep -vxF " M $file1" | LC_ALL=C sort)
[ "$status" = " M $file0
 M backup.json" ] && [ -s "$file1" ] || fail "git status after the second backup:
$(git status --porcelain)"

# Module 0's file: that record's line of bytes, nothing else.
git diff -- "$file0" >"$work/file0.diff" || fail "git diff failed"
grep -q '^Binary' "$work/file0.diff" && fail "git diff shows a binary change"
changed=$(grep -E '^[-+]' "$work/file0.diff" | grep -vE '^(---|\+\+\+) ')
[ "$(printf '%s\n' "$changed" | wc -l)" = 2 ] &&
    printf '%s\n' "$changed" | head -n 1 | grep -q '^-0020 ' &&
    printf '%s\n' "$changed" | tail -n 1 | grep -qE '^\+0020  .. .. FF ' ||
    fail "git diff of module 0's file changes other lines than byte 0022 of a record:
$(cat "$work/file0.diff")"
record=$(sed -n '/^-[0-9A-F]/q; s/^\(@@ .* @@\)\{0,1\} \{0,1\}\(record [0-9]* (126 bytes)\)$/\2/p' \
    "$work/file0.diff" | tail -n 1)
[ "$record" = "record 5 (126 bytes)" ] || fail "the change is not shown in record 5:
$(cat "$work/file0.diff")"

# backup.json: in the module entries, module 0's SHA-256 (and module 1's if
# its file changed) and module 1's address; every other line that changed is
# a time of the run.
git show HEAD:backup.json >"$work/before.json" || fail "backup.json was not committed"
entries() { sed -n '/^  "modules": \[/,/^  \],$/p' "$1"; }
entry_changes=$(diff <(entries "$work/before.json") <(entries backup.json) | grep -E '^[<>]' | LC_ALL=C sort)
sha() { sha256sum | cut -c1-64; }
# The SHA-256 lines of the entry of FILE if it changed, as diff shows them.
sha_lines() {
    local before after
    before=$(git cat-file blob "HEAD:$1" | sha)
    after=$(sha <"$1")
    [ "$before" = "$after" ] && return
    printf '<       "sha256": "%s",\n>       "sha256": "%s",\n' "$before" "$after"
}
expected_entries=$( {
    sha_lines "$file0"
    sha_lines "$file1"
    printf '%s\n' '<       "address": "127.0.0.3",' '>       "address": "127.0.0.40",'
} | LC_ALL=C sort)
[ "$entry_changes" = "$expected_entries" ] || fail "backup.json's module entries changed otherwise:
$entry_changes
want:
$expected_entries"
other=$(git diff -U0 -- backup.json | grep -E '^[-+] ' | grep -vE '"(sha256|address|start|end|seconds)": ')
[ -z "$other" ] || fail "backup.json changed in other lines: $other"
echo "git history: one record's byte, a readdressed module under its own name, two entries and the times"
exit 0
