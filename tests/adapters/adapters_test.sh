#!/bin/bash
# The search on a machine with more than one network adapter, end to end:
# quelvarinit-cli in a namespace of its own, simulated modules (quelvar-sim)
# in peer namespaces behind veth links. Every namespace is private, named
# uniquely for this run, and removed on every way out. The simulator puts
# each module's address on its peer's adapter itself, only while a module
# holds it (--claim-addresses): an address kept free answers no ARP request
# there, as on a real LAN.
#
# Two adapters, modules behind each:
#
#   +---------------- tool -----------------+        +--------- peer1 ----------+
#   | lo  127.0.0.1/8                       |        | a1 10.1.0.2/24           |
#   | a0  10.1.0.1/24, default route  <------ veth --->  modules 10.1.0.10, .11  |
#   |                                       |        +--------------------------+
#   |                                       |        +--------- peer2 ----------+
#   | b0  10.2.0.1/24                 <------ veth --->  b1 10.2.0.2/24           |
#   |                                       |        |  modules 10.2.0.10, .11  |
#   +---------------------------------------+        |  (10.2.0.50 kept free    |
#                                                    |   for set-ip)            |
#                                                    +--------------------------+
#
# One adapter only (the wire traffic must be the one routed broadcast):
#
#   +------- single -------+        +------- lone --------+
#   | a0 10.1.0.1/24, dflt <- veth -> a1 10.1.0.2/24       |
#   +----------------------+        |  module 10.1.0.10    |
#                                   +---------------------+
#
# One module reachable through both adapters (its reply to b0 comes from
# another subnet than b0's):
#
#   +------- twice --------+        +------- dual --------+
#   | a0 10.1.0.1/24, dflt <- veth -> x1 10.1.0.2/24       |
#   | b0 10.2.0.1/24       <- veth -> y1 10.2.0.2/24       |
#   +----------------------+        |  module 10.1.0.10    |
#                                   +---------------------+
#
# Two adapters on one LAN (a laptop's cable and Wi-Fi): every module hears
# both requests and answers each, and the window lists it once:
#
#   +--------- onelan ---------+        +--------------- hub ----------------+
#   | a0 10.4.0.1/24, dflt     <- veth -> a1 -\                               |
#   | b0 10.4.0.2/24           <- veth -> b1 --+- br0 (a bridge) 10.4.0.3/24  |
#   +--------------------------+        |      modules 10.4.0.10, .11       |
#                                       +------------------------------------+
#
# Modules behind a router, where no broadcast reaches (the range search):
#
#   +------ routed -------+        +------ router ------+        +------ far --------+
#   | a0 10.1.0.1/24      <- veth -> x1 10.1.0.2/24      |        |                   |
#   | default via 10.1.0.2 |        | y1 10.3.0.1/24     <- veth -> z1 10.3.0.2/24     |
#   +---------------------+        | forwards            |        | modules 10.3.0.10, |
#                                  +--------------------+        | .11; default via   |
#                                                                | 10.3.0.1           |
#                                                                +-------------------+
#
# Usage: adapters_test.sh QUELVARINIT_CLI QUELVAR_SIM WINDOW_SEARCH
# (WINDOW_SEARCH: tests/adapters/window_search, the window's search printing
# its device lines.) Needs root for `ip netns`; skipped (77) without it, a
# failure under CI=true.
set -u

cli=$(readlink -f "$1")
sim=$(readlink -f "$2")
window_search=$(readlink -f "$3")
prefix="qvad$$"
test_name=adapters_test
# shellcheck source=lan_test_lib.sh
. "$(dirname "$0")/lan_test_lib.sh"

# --- building blocks -------------------------------------------------------

in_ns() { local ns="$prefix-$1"; shift; ip netns exec "$ns" "$@"; }

# veth NS_A IF_A ADDR_A NS_B IF_B ADDR_B: a veth pair made inside NS_A, its
# other end moved straight into NS_B; nothing passes through this namespace.
veth() {
    ip -n "$prefix-$1" link add "$2" type veth peer name "$5" netns "$prefix-$4" || return 1
    ip -n "$prefix-$1" addr add "$3" dev "$2" && ip -n "$prefix-$1" link set "$2" up &&
        ip -n "$prefix-$4" addr add "$6" dev "$5" && ip -n "$prefix-$4" link set "$5" up
}

# bridge_port NS_A IF_A ADDR_A NS_B IF_B BRIDGE: a veth pair whose end in
# NS_B is a port of BRIDGE there, without an address of its own.
bridge_port() {
    ip -n "$prefix-$1" link add "$2" type veth peer name "$5" netns "$prefix-$4" || return 1
    ip -n "$prefix-$1" addr add "$3" dev "$2" && ip -n "$prefix-$1" link set "$2" up &&
        ip -n "$prefix-$4" link set "$5" master "$6" && ip -n "$prefix-$4" link set "$5" up
}

# start_sim NS FIRST COUNT [ARGS...]: simulated modules from address FIRST
# on, waits until they all answer.
start_sim() {
    local ns="$1" first="$2" count="$3"
    shift 3
    local out="$work/sim-$ns-$first"
    # ip netns exec becomes the simulator, so $! is the simulator itself.
    ip netns exec "$prefix-$ns" "$sim" --any-address --first-address "$first" --modules "$count" \
        --exit-after 240 "$@" >"$out" 2>&1 &
    pids="$pids $!"
    for _ in $(seq 100); do
        grep -q '^ready$' "$out" 2>/dev/null && return 0
        sleep 0.1
    done
    cat "$out" >&2
    return 1
}


# cli NS ARGS...: runs the console in NS from the work folder; stdout to
# $work/out, stderr to $work/err, status in $status.
cli() {
    local ns="$1"; shift
    (cd "$work" && timeout 90 ip netns exec "$prefix-$ns" "$cli" "$@" >"$work/out" 2>"$work/err")
    status=$?
}

# JSON objects of the last output whose fields hold every given text.
rows_with() {
    local rows; rows=$(tr '}' '\n' <"$work/out")
    for text in "$@"; do rows=$(printf '%s\n' "$rows" | grep -F -- "$text"); done
    printf '%s\n' "$rows" | grep -c .
}

# loose_rp_filter NS IF...: no reverse-path filter in NS, whatever a new
# namespace inherits, so replies from another subnet come in.
loose_rp_filter() {
    local ns="$1"; shift
    for conf in all "$@"; do
        in_ns "$ns" sh -c "echo 0 >/proc/sys/net/ipv4/conf/$conf/rp_filter" || return 1
    done
}

# counter NS FILE GROUP FIELD: a counter of /proc/net/snmp or /proc/net/netstat.
counter() {
    in_ns "$1" cat "/proc/net/$2" |
        awk -v group="$3:" -v field="$4" '$1 == group {
            if (!names) { for (i = 2; i <= NF; i++) at[$i] = i; names = 1 }
            else { print $at[field]; exit } }'
}

# --- can namespaces be made here? ------------------------------------------

require_namespaces probe

# --- two adapters, modules behind each ---------------------------------------

make_ns tool && make_ns peer1 && make_ns peer2 &&
    veth tool a0 10.1.0.1/24 peer1 a1 10.1.0.2/24 &&
    veth tool b0 10.2.0.1/24 peer2 b1 10.2.0.2/24 &&
    ip -n "$prefix-tool" route add default via 10.1.0.2 dev a0 && loose_rp_filter tool a0 b0 ||
    { echo "adapters_test: cannot build the topology" >&2; exit 1; }
start_sim peer1 10.1.0.10 2 --claim-addresses a1 && start_sim peer2 10.2.0.10 2 --claim-addresses b1 ||
    { echo "adapters_test: the simulated modules did not start" >&2; exit 1; }

# Every module is found, each with the adapter its reply came in on; the
# routed broadcast alone would reach peer1's modules only.
cli tool search --json
[ "$status" = 0 ] || fail "search on two adapters: exit $status: $(cat "$work/err")"
for address in 10.1.0.10 10.1.0.11; do
    [ "$(rows_with "\"ip\":\"$address\"" '"interface":"a0"')" = 1 ] ||
        fail "module $address not found once through a0: $(cat "$work/out")"
done
for address in 10.2.0.10 10.2.0.11; do
    [ "$(rows_with "\"ip\":\"$address\"" '"interface":"b0"')" = 1 ] ||
        fail "module $address not found once through b0: $(cat "$work/out")"
done

# --interface keeps the search to one adapter.
cli tool search --interface b0
[ "$status" = 0 ] && [ "$(grep -c ' - 10\.2\.0\.1[01] - ' "$work/out")" = 2 ] &&
    [ "$(grep -c . "$work/out")" = 2 ] || fail "search --interface b0 listed: $(cat "$work/out" "$work/err")"
cli tool search --interface nosuch0
[ "$status" = 2 ] && grep -q "no network adapter 'nosuch0'" "$work/err" ||
    fail "search --interface nosuch0: exit $status: $(cat "$work/err")"

# Later operations reach a module behind the second adapter at the address
# its reply came from.
cli tool save 10.2.0.10 --output "$work/second.rec" --yes
[ "$status" = 0 ] && [ -s "$work/second.rec" ] || fail "save through b0: exit $status: $(cat "$work/err")"
# The free address is not on peer2's adapter, so nobody answers ARP for it;
# once the module moves there, its address moves with it.
on_b1() { ip -n "$prefix-peer2" -4 -o addr show dev b1 | grep -qF " $1/24 "; }
on_b1 10.2.0.11 && ! on_b1 10.2.0.50 || fail "b1 before set-ip: $(ip -n "$prefix-peer2" -4 -o addr show dev b1)"
cli tool set-ip 10.2.0.11 10.2.0.50 --yes
[ "$status" = 0 ] || fail "set-ip through b0: exit $status: $(cat "$work/err")"
cli tool search
grep -q ' - 10\.2\.0\.50 - ' "$work/out" && ! grep -q ' - 10\.2\.0\.11 - ' "$work/out" ||
    fail "the moved module is not at 10.2.0.50: $(cat "$work/out")"
on_b1 10.2.0.50 && ! on_b1 10.2.0.11 || fail "b1 after set-ip: $(ip -n "$prefix-peer2" -4 -o addr show dev b1)"

# Nobody answers: one line per adapter, and a strict reverse-path filter on
# b0 named as a likely cause.
stop_programs
in_ns tool sh -c 'echo 1 >/proc/sys/net/ipv4/conf/b0/rp_filter'
cli tool search
[ "$status" = 1 ] || fail "empty search: exit $status"
grep -qx 'not found.' "$work/err" || fail "empty search: no 'not found.': $(cat "$work/err")"
for line in 'adapter lo 127.0.0.1/8: loopback, no request' \
    'adapter a0 10.1.0.1/24: request sent' 'adapter b0 10.2.0.1/24: request sent'; do
    grep -qxF "quelvarinit-cli: $line" "$work/err" || fail "empty search: no line '$line': $(cat "$work/err")"
done
grep -q '^quelvarinit-cli: possible cause: b0 drops datagrams from addresses outside its subnets' "$work/err" ||
    fail "empty search: the reverse-path filter of b0 is not named: $(cat "$work/err")"
grep -q 'possible cause: a0 ' "$work/err" && fail "empty search: a0 blamed: $(cat "$work/err")"

# No adapter up besides loopback.
make_ns bare
cli bare search
[ "$status" = 1 ] && grep -qxF 'quelvarinit-cli: adapter lo 127.0.0.1/8: loopback, no request' "$work/err" &&
    grep -q '^quelvarinit-cli: cause: no network adapter is up besides loopback' "$work/err" ||
    fail "search with loopback only: $(cat "$work/err")"

# --- one adapter: the routed broadcast, and one more round -----------------
# The namespaces' own counters: every UDP datagram sent is a broadcast and is
# heard. The console repeats the request once a round brings a module, so two;
# the second brings nothing new and ends the search. The simulated module
# answers a broadcast only when it is addressed to 255.255.255.255, not to the
# subnet's 10.1.0.255, so its answer shows the destination.

make_ns single && make_ns lone &&
    veth single a0 10.1.0.1/24 lone a1 10.1.0.2/24 &&
    ip -n "$prefix-single" route add default via 10.1.0.2 dev a0 &&
    start_sim lone 10.1.0.10 1 --claim-addresses a1 ||
    { echo "adapters_test: cannot build the single-adapter topology" >&2; exit 1; }
sent_before=$(counter single snmp Udp OutDatagrams)
broadcasts_before=$(counter single netstat IpExt OutBcastPkts)
heard_before=$(counter lone netstat IpExt InBcastPkts)
cli single search --json
sent=$(( $(counter single snmp Udp OutDatagrams) - sent_before ))
broadcasts=$(( $(counter single netstat IpExt OutBcastPkts) - broadcasts_before ))
heard=$(( $(counter lone netstat IpExt InBcastPkts) - heard_before ))
[ "$status" = 0 ] && [ "$(rows_with '"ip":"10.1.0.10"' '"interface":"a0"')" = 1 ] ||
    fail "single adapter: $(cat "$work/out" "$work/err")"
[ "$sent" = 2 ] && [ "$broadcasts" = 2 ] && [ "$heard" = 2 ] ||
    fail "single adapter: $sent datagrams, $broadcasts broadcasts sent, $heard heard (want 2, 2, 2)"

# --- one module behind both adapters: one row for the module ------------------
# Its reply comes in on both adapters; the console keeps a module that answers
# more than once (the same MAC from the same address) once, on the adapter
# its first reply came in on.

make_ns twice && make_ns dual &&
    veth twice a0 10.1.0.1/24 dual x1 10.1.0.2/24 &&
    veth twice b0 10.2.0.1/24 dual y1 10.2.0.2/24 &&
    ip -n "$prefix-twice" route add default via 10.1.0.2 dev a0 && loose_rp_filter twice a0 b0 &&
    start_sim dual 10.1.0.10 1 --claim-addresses x1 ||
    { echo "adapters_test: cannot build the two-link topology" >&2; exit 1; }
cli twice search --json
[ "$status" = 0 ] && [ "$(rows_with '"ip":"10.1.0.10"')" = 1 ] &&
    [ "$(rows_with '"mac"')" = 1 ] || fail "module behind both adapters: $(cat "$work/out" "$work/err")"

# --- two adapters on one LAN: the window lists each reply once -------------------
# Module .11 answers every request twice: the window lists it twice, as it
# lists every reply of one request, and not four times.

stop_programs
make_ns onelan && make_ns hub &&
    ip -n "$prefix-hub" link add br0 type bridge && ip -n "$prefix-hub" addr add 10.4.0.3/24 dev br0 &&
    ip -n "$prefix-hub" link set br0 up &&
    bridge_port onelan a0 10.4.0.1/24 hub a1 br0 && bridge_port onelan b0 10.4.0.2/24 hub b1 br0 &&
    ip -n "$prefix-onelan" route replace default dev a0 && loose_rp_filter onelan a0 b0 ||
    { echo "adapters_test: cannot build the one-LAN topology" >&2; exit 1; }
start_sim hub 10.4.0.10 2 --claim-addresses br0 --profile 1:twice ||
    { echo "adapters_test: the one-LAN modules did not start" >&2; exit 1; }
broadcasts_before=$(counter onelan netstat IpExt OutBcastPkts)
(cd "$work" && timeout 60 ip netns exec "$prefix-onelan" "$window_search" >"$work/out" 2>"$work/err")
status=$?
broadcasts=$(( $(counter onelan netstat IpExt OutBcastPkts) - broadcasts_before ))
[ "$broadcasts" = 2 ] || fail "one LAN: $broadcasts search requests went out, want one on each adapter"
[ "$status" = 0 ] && [ "$(grep -c ' - 10\.4\.0\.10 - ' "$work/out")" = 1 ] &&
    [ "$(grep -c ' - 10\.4\.0\.11 - ' "$work/out")" = 2 ] && [ "$(grep -c . "$work/out")" = 3 ] ||
    fail "one LAN: the window listed: $(cat "$work/out" "$work/err")"

# --- modules behind a router: only a range search finds them ------------------

stop_programs
make_ns routed && make_ns router && make_ns far &&
    veth routed a0 10.1.0.1/24 router x1 10.1.0.2/24 &&
    veth router y1 10.3.0.1/24 far z1 10.3.0.2/24 &&
    ip -n "$prefix-routed" route add default via 10.1.0.2 dev a0 &&
    in_ns router sh -c 'echo 1 >/proc/sys/net/ipv4/ip_forward' &&
    ip -n "$prefix-far" route add default via 10.3.0.1 dev z1 ||
    { echo "adapters_test: cannot build the routed topology" >&2; exit 1; }
start_sim far 10.3.0.10 2 --claim-addresses z1 || { echo "adapters_test: the routed modules did not start" >&2; exit 1; }

cli routed search
[ "$status" = 1 ] || fail "broadcast search through a router found something: $(cat "$work/out")"
cli routed search --range 10.3.0.0/24 --json
[ "$status" = 0 ] && [ "$(rows_with '"ip":"10.3.0.10"')" = 1 ] && [ "$(rows_with '"ip":"10.3.0.11"')" = 1 ] ||
    fail "search --range 10.3.0.0/24: exit $status: $(cat "$work/out" "$work/err")"
# Commands that search take the range too, and reach the module through the router.
mac=$(tr '}' '\n' <"$work/out" | grep -F '"ip":"10.3.0.11"' | sed 's/.*"mac":"\([^"]*\)".*/\1/')
cli routed save "$mac" --range 10.3.0.10-10.3.0.20 --output "$work/far.rec"
[ "$status" = 0 ] && [ -s "$work/far.rec" ] || fail "save through a router: exit $status: $(cat "$work/err")"
cli routed backup "$work/far" --range 10.3.0.0/24 --jobs 0
[ "$status" = 0 ] && [ "$(grep -c '"result": "saved"' "$work/far/backup.json")" = 2 ] ||
    fail "backup through a router: exit $status: $(cat "$work/out" "$work/err")"
cli routed restore "$work/far" --range 10.3.0.0/24 --yes --jobs 0
[ "$status" = 0 ] || fail "restore through a router: exit $status: $(cat "$work/out" "$work/err")"
# A range where nothing answers says so, not which adapters sent.
cli routed search --range 10.3.0.100-10.3.0.101
[ "$status" = 1 ] && grep -q "no module answered at any of the 2 address(es) of the range" "$work/err" ||
    fail "empty range search: exit $status: $(cat "$work/err")"

finish
