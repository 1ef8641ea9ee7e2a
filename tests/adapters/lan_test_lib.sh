# What the tests that build LANs from private network namespaces share,
# sourced after they set `prefix` (unique to the run: every namespace they
# make carries it) and `test_name` (for messages). Everything made goes on
# every way out: the programs started in $pids, the namespaces, $work.
# Needs root for `ip netns`; skip() exits 77, or 1 under CI=true.

namespaces=""
pids=""
failures=0
work=$(mktemp -d)

stop_programs() {
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    for pid in $pids; do wait "$pid" 2>/dev/null; done
    pids=""
}

cleanup() {
    stop_programs
    for ns in $namespaces; do ip netns delete "$ns" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

skip() {
    echo "$test_name: $*" >&2
    if [ "${CI:-}" = "true" ]; then exit 1; fi
    exit 77
}

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

make_ns() {
    ip netns add "$prefix-$1" || return 1
    namespaces="$namespaces $prefix-$1"
    ip -n "$prefix-$1" link set lo up
}

# Root, and a namespace can be made: or the test is skipped.
require_namespaces() {
    [ "$(id -u)" = "0" ] || skip "needs root to make network namespaces (ip netns add)"
    make_ns "$1" 2>/dev/null || skip "cannot make a network namespace (ip netns add failed)"
}

finish() {
    if [ "$failures" -gt 0 ]; then
        echo "$test_name: $failures failure(s)" >&2
        exit 1
    fi
    echo "$test_name: all passed"
}
