#!/bin/bash
# What the console writes for scripts, checked against docs/schema: the
# console runs against simulated modules in a private network namespace and
# every JSON it writes is validated against its schema by validate.py.
#
#   search --json                      -> search.schema.json
#   commission SHEET --json            -> commission-rows.schema.json
#   commission SHEET --report FILE     -> commission-report.schema.json
#   backup DIR (backup.json)           -> backup-manifest.schema.json
#   audit REF --report FILE, --json    -> audit-report.schema.json
#   a manifest of version 1 (as read)  -> backup-manifest.schema.json
#
# The sheet has a row that passes with a file, one without a file, one whose
# load fails (module 3 has no monitor port) and a MAC no module has, so that
# failed rows with their reasons are written as well as passing ones.
#
# Usage: schema_test.sh QUELVARINIT_CLI QUELVAR_SIM
# Needs python3 with jsonschema: skipped (77) without it, a failure under
# CI=true.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

skip() {
    echo "schema_test: $*" >&2
    if [ "${CI:-}" = "true" ]; then exit 1; fi
    exit 77
}

[ $# -eq 2 ] || { echo "usage: schema_test.sh QUELVARINIT_CLI QUELVAR_SIM" >&2; exit 2; }

if [ "${QUELVAR_IN_NETNS:-}" != "1" ]; then
    command -v python3 >/dev/null 2>&1 || skip "needs python3 to validate JSON"
    python3 -c 'from jsonschema import Draft202012Validator' 2>/dev/null ||
        skip "needs the python3 module jsonschema (4.0 or later, for draft 2020-12; Debian: python3-jsonschema)"
    # Everything below runs in a namespace of its own (77 when none can be made).
    exec "$root/scripts/netns-run" bash "$0" "$(readlink -f "$1")" "$(readlink -f "$2")"
fi

cli="$1"
sim="$2"
schemas="$root/docs/schema"
sim_pid=""
work=$(mktemp -d "${TMPDIR:-/tmp}/quelvar-schema.XXXXXX") || exit 1

cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# cli WANTED_STATUS NAME ARGS...: runs the console in the work folder; stdout
# to $work/NAME.out, stderr to $work/NAME.err.
cli() {
    local wanted="$1" name="$2"
    shift 2
    (cd "$work" && timeout 90 "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err")
    local status=$?
    [ "$status" = "$wanted" ] ||
        fail "$name: exit $status, want $wanted: $(cat "$work/$name.out" "$work/$name.err")"
}

# has NAME TEXT...: the output of NAME holds every TEXT.
has() {
    local name="$1"
    shift
    for text in "$@"; do
        grep -qF -- "$text" "$work/$name" || fail "$name holds no $text: $(cat "$work/$name")"
    done
}

# Modules 02-00-5E-10-00-00 to -03 at 127.0.0.2 to .5; module 3 has no monitor port.
"$sim" --modules 4 --exit-after 120 --profile 3:no-monitor >"$work/sim.txt" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    grep -q '^ready$' "$work/sim.txt" 2>/dev/null && break
    sleep 0.1
done
grep -q '^ready$' "$work/sim.txt" ||
    { echo "schema_test: the simulated modules did not start: $(cat "$work/sim.txt")" >&2; exit 1; }

cli 0 search search --json
has search.out '"interface":"lo"'

cli 0 save save 02-00-5E-10-00-00 --output module0.rec --yes
[ -s "$work/module0.rec" ] || fail "save wrote no module0.rec"

cat >"$work/sheet.csv" <<'EOF'
mac,address,file
02-00-5E-10-00-00,127.0.0.20,module0.rec
02-00-5E-10-00-01,127.0.0.21
02-00-5E-10-00-03,127.0.0.23,module0.rec
02-00-5E-10-00-99,127.0.0.29
EOF
cli 1 commission commission sheet.csv --yes --json --report report.json --log-dir logs --jobs 4
has commission.out '"result":"pass"' '"file":"module0.rec"' '"reason":"not found"' \
    'load module0.rec: ' '"log":'
[ -s "$work/report.json" ] || fail "commission wrote no report.json"

# Every module; module 3 is not saved. Then into the same folder a module
# found nowhere, beside the entries already there.
cli 1 backup backup site --yes --jobs 0
has site/backup.json '"result": "saved"' '"result": "failed"' '"reason": ' '"times": ['
cp "$work/site/backup.json" "$work/backup-first.json" 2>/dev/null
cli 1 backup-again backup site 02-00-00-99-99-99 --yes
has site/backup.json '"mac": "02-00-00-99-99-99"'

# The backup back into the modules, with its report.
cli 1 restore restore site --yes --report restore.json
has restore.json '"task": "restore"' '"kind": '

# Module 0's records as the reference: the others differ from it, module 3
# could not be read, a module named is found nowhere; then the backup.
cli 1 audit audit module0.rec 02-00-5E-10-00-00 02-00-5E-10-00-01 02-00-5E-10-00-03 \
    02-00-5E-10-00-99 --report audit.json --jobs 0
has audit.json '"task": "audit"' '"result": "unreadable"' '"result": "not-found"' '"kind": '
cli 1 audit-json audit module0.rec --from site --json --ignore 0:4-7
has audit-json.out '"backup":"site"' '"first":4'

python3 "$here/validate.py" "$schemas" \
    search="$work/search.out" \
    commission-rows="$work/commission.out" \
    commission-report="$work/report.json" \
    backup-manifest="$work/backup-first.json" \
    backup-manifest="$work/site/backup.json" \
    backup-manifest="$here/backup-manifest-v1.json" \
    commission-report="$work/restore.json" \
    audit-report="$work/audit.json" \
    audit-report="$work/audit-json.out" || fail "the output does not match its schema (above)"

if [ "$failures" -gt 0 ]; then
    echo "schema_test: $failures failure(s)" >&2
    exit 1
fi
echo "schema_test: all passed"
