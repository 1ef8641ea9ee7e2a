#!/bin/sh
# The handover pages against the axe-core accessibility rules in headless
# Chromium: a site's record in English and Japanese, a live audit of
# simulated modules, and both on one page. Any broken rule fails the test
# (a table header without its cells, no language, colours below a contrast of
# 4.5:1, content outside landmarks, a chart without words).
#   page_accessibility_test.sh QUELVARINIT_CLI QUELVAR_SIM
# Everything runs inside a private network namespace.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/browser_test_common.sh"
cli=$1
sim=$2
driver=$(command -v chromedriver || true)
[ -n "$driver" ] || missing "chromedriver (chromium-driver)"
axe="$here/axe/node_modules/axe-core/axe.min.js"
[ -f "$axe" ] || missing "axe-core (scripts/setup-debian installs it)"
# Debian's own Python: the checker needs its standard library alone.
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3 || true)
[ -n "$python" ] || missing python3

work=$(mktemp -d "${TMPDIR:-/tmp}/handover-axe.XXXXXX")
simulator=""
cleanup() {
    [ -n "$simulator" ] && kill "$simulator" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

python3 "$here/make_run_files.py" "$work" 30
"$cli" report "$work/report.json" "$work/backup.json" --html "$work/site-en.html" >/dev/null
"$cli" --lang ja report "$work/report.json" "$work/backup.json" --html "$work/site-ja.html" >/dev/null

# An audit of live modules against one of their own files: the simulator's
# records differ everywhere, so the page holds patterns and differences.
"$sim" --modules 4 --exit-after 120 >"$work/sim.out" 2>"$work/sim.err" &
simulator=$!
tries=0
until grep -q '^ready' "$work/sim.out"; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "the simulator did not start"
    sleep 0.1
done
"$cli" backup "$work/saved" --yes >"$work/backup.out" 2>&1 || fail "backup: $(cat "$work/backup.out")"
reference=$(ls "$work/saved"/*.rec | head -n 1)
"$cli" audit "$reference" --report "$work/audit.json" >"$work/audit.out" 2>&1 ||
    [ $? -eq 1 ] || fail "audit: $(cat "$work/audit.out")"
"$cli" report "$work/audit.json" --html "$work/audit-en.html" >/dev/null
"$cli" --lang ja report "$work/audit.json" --html "$work/audit-ja.html" >/dev/null
"$cli" report "$work/report.json" "$work/backup.json" "$work/audit.json" --html "$work/all.html" >/dev/null
for table in matrix patterns; do
    grep -q "<table class=\"$table\"" "$work/audit-en.html" || fail "the audit page has no $table table"
done

"$python" "$here/page_accessibility.py" "$driver" "$browser" "$axe" "$work" \
    "$work/site-en.html" "$work/site-ja.html" "$work/audit-en.html" "$work/audit-ja.html" \
    "$work/all.html" || fail "a page breaks an accessibility rule (above)"
