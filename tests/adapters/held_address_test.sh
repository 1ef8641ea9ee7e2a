#!/bin/bash
# The check that a new address is free, on a LAN with PCs nobody on this
# project wrote: one that keeps quiet on every port but address resolution
# (a firewalled PC), one whose stack refuses the status query (nothing
# listens there), and free addresses. The console, a commission row and
# the window must refuse the first two with nothing sent, and move a module
# onto a free one. Last, the PC's route out leads nowhere and modules are
# given addresses outside its LAN: said before anything is sent, the file
# written first and the address given last, not confirmed. Every namespace
# is private, named for this run, and removed on every way out.
#
#   +------- tool -------+        +------------------ hub ------------------+
#   | a0 10.84.7.1/24    <- veth -> br0 10.84.7.3/24 (a bridge)              |
#   +--------------------+        |   modules 10.84.7.10, .11, claimed      |
#   +------ quiet -------+        |   on br0 as they come and go            |
#   | q0 10.84.7.50/24,  <- veth -> (port of br0)                            |
#   |   .54, .55         |        |                                         |
#   | UDP 30718 taken,   |        |   free: 10.84.7.52, 10.84.7.53          |
#   | nothing answered   |        |                                         |
#   +--------------------+        |                                         |
#   +----- refusing -----+        |                                         |
#   | r0 10.84.7.51/24   <- veth -> (port of br0)                            |
#   | nothing listens    |        |                                         |
#   +--------------------+        +-----------------------------------------+
#
# Usage: held_address_test.sh QUELVARINIT_CLI QUELVAR_SIM WINDOW_SEARCH
# Needs root for `ip netns`; skipped (77) without it, a failure under CI=true.
set -u

cli=$(readlink -f "$1")
sim=$(readlink -f "$2")
window_search=$(readlink -f "$3")
prefix="qvha$$"
test_name=held_address_test
# shellcheck source=lan_test_lib.sh
. "$(dirname "$0")/lan_test_lib.sh"

# port NS IF ADDRESS: a veth pair from NS to a port of the hub's bridge.
port() {
    ip -n "$prefix-$1" link add "$2" type veth peer name "$2h" netns "$prefix-hub" &&
        ip -n "$prefix-$1" addr add "$3" dev "$2" && ip -n "$prefix-$1" link set "$2" up &&
        ip -n "$prefix-hub" link set "$2h" master br0 && ip -n "$prefix-hub" link set "$2h" up
}

# cli ARGS...: the console in the tool's namespace; stdout to $work/out,
# stderr to $work/err, status in $status.
cli() {
    (cd "$work" && timeout 120 ip netns exec "$prefix-tool" "$cli" "$@" >"$work/out" 2>"$work/err")
    status=$?
}

window() {
    (cd "$work" && timeout 120 ip netns exec "$prefix-tool" "$window_search" "$@" >"$work/out" 2>"$work/err")
    status=$?
}

# The address the module MAC answers at now, by a search.
where() {
    cli search --json
    tr '}' '\n' <"$work/out" | grep -F "\"mac\":\"$1\"" | sed 's/.*"ip":"\([^"]*\)".*/\1/'
}

hardware() { ip -n "$prefix-$1" link show "$2" | awk '/link\/ether/ { print toupper($2) }' | tr : -; }

require_namespaces hub

make_ns tool && make_ns quiet && make_ns refusing &&
    ip -n "$prefix-hub" link add br0 type bridge && ip -n "$prefix-hub" link set br0 up &&
    ip -n "$prefix-hub" addr add 10.84.7.3/24 dev br0 &&
    port tool a0 10.84.7.1/24 && port quiet q0 10.84.7.50/24 && port refusing r0 10.84.7.51/24 &&
    ip -n "$prefix-quiet" addr add 10.84.7.54/24 dev q0 &&
    ip -n "$prefix-quiet" addr add 10.84.7.55/24 dev q0 &&
    ip -n "$prefix-tool" route add default dev a0 ||
    { echo "held_address_test: cannot build the LAN" >&2; exit 1; }

# The quiet PC holds the discovery port and answers nothing on it.
ip netns exec "$prefix-quiet" python3 -c '
import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 30718))
s.settimeout(1)
print("ready", flush=True)
end = time.time() + 300
while time.time() < end:
    try:
        s.recv(2048)
    except OSError:
        pass
' >"$work/quiet" 2>&1 &
pids="$pids $!"
ip netns exec "$prefix-hub" "$sim" --any-address --claim-addresses br0 --first-address 10.84.7.10 \
    --modules 2 --exit-after 300 >"$work/sim" 2>&1 &
pids="$pids $!"
for _ in $(seq 100); do
    grep -q '^ready$' "$work/sim" 2>/dev/null && grep -q '^ready$' "$work/quiet" 2>/dev/null && break
    sleep 0.1
done
grep -q '^ready$' "$work/sim" && grep -q '^ready$' "$work/quiet" ||
    { cat "$work/sim" "$work/quiet" >&2; echo "held_address_test: the LAN did not come up" >&2; exit 1; }

cli search --json
mac=$(tr '}' '\n' <"$work/out" | grep -F '"ip":"10.84.7.10"' | sed 's/.*"mac":"\([^"]*\)".*/\1/')
[ -n "$mac" ] || { echo "held_address_test: module 10.84.7.10 not found: $(cat "$work/out")" >&2; exit 1; }
quiet_hw=$(hardware quiet q0)

# --- the console ------------------------------------------------------------
cli set-ip "$mac" 10.84.7.50 --yes
[ "$status" = 1 ] && grep -qF "Another device (hardware address $quiet_hw) already holds 10.84.7.50" "$work/err" ||
    fail "set-ip onto the quiet PC: exit $status: $(cat "$work/err")"
cli set-ip "$mac" 10.84.7.51 --yes
[ "$status" = 1 ] && grep -qF "Another device already holds 10.84.7.51: it refused the query (port unreachable)." "$work/err" ||
    fail "set-ip onto the refusing PC: exit $status: $(cat "$work/err")"
# Asked again at once: the system's answer of a moment ago is not asked
# again yet, so whether the PC is still there cannot be told; nothing is sent.
cli set-ip "$mac" 10.84.7.50 --yes
[ "$status" = 1 ] && grep -qE "Another device \(hardware address $quiet_hw\) answered for 10\.84\.7\.50 [0-9]+ s ago\." "$work/err" ||
    fail "set-ip onto the quiet PC again: exit $status: $(cat "$work/err")"
[ "$(where "$mac")" = 10.84.7.10 ] || fail "the module left 10.84.7.10 for a held address"

# --- a commission row ---------------------------------------------------------
printf 'mac,address\n%s,10.84.7.54\n' "$mac" >"$work/held.csv"
cli commission "$work/held.csv" --yes --report "$work/held-report.json"
[ "$status" = 1 ] && grep -qF "address in use by a device with hardware address $quiet_hw" "$work/held-report.json" ||
    fail "commission onto the quiet PC: exit $status: $(cat "$work/err" "$work/held-report.json")"
[ "$(where "$mac")" = 10.84.7.10 ] || fail "the commission row moved the module onto a held address"

# --- the window ----------------------------------------------------------------
window set-ip 10.84.7.55
grep -qF "box: Another device (hardware address $quiet_hw) already holds 10.84.7.55" "$work/out" ||
    fail "window onto the quiet PC: $(cat "$work/out" "$work/err")"
window set-ip 10.84.7.51
grep -qF "box: Another device already holds 10.84.7.51: it refused the query (port unreachable)." "$work/out" ||
    fail "window onto the refusing PC: $(cat "$work/out" "$work/err")"
grep -q '^box: done\.$' "$work/out" && fail "the window moved a module onto a held address"

# --- free addresses -------------------------------------------------------------
cli set-ip "$mac" 10.84.7.52 --yes
[ "$status" = 0 ] || fail "set-ip onto a free address: exit $status: $(cat "$work/err")"
[ "$(where "$mac")" = 10.84.7.52 ] || fail "the module is not at 10.84.7.52: $(cat "$work/out")"
window set-ip 10.84.7.53
grep -q '^box: done\.$' "$work/out" || fail "window onto a free address: $(cat "$work/out" "$work/err")"
cli search
grep -q ' - 10\.84\.7\.53 - ' "$work/out" || fail "no module at 10.84.7.53 after the window's set-ip: $(cat "$work/out")"

# --- addresses outside this PC's networks ----------------------------------------
# The PC's only way out is a router that is not there: a module given such an
# address is out of its reach, as a plant's network is from a laptop on
# another. Replies from there still come in (the hub routes them back).
ip -n "$prefix-tool" route replace default via 10.84.7.99 dev a0 &&
    ip netns exec "$prefix-tool" sh -c 'for c in all a0; do echo 0 >/proc/sys/net/ipv4/conf/$c/rp_filter; done' ||
    fail "cannot route the PC nowhere"
cli search --json
other=$(tr '}' '\n' <"$work/out" | grep -F '"ip":"10.84.7.11"' | sed 's/.*"mac":"\([^"]*\)".*/\1/')
cli save "$mac" --output "$work/plant.rec" --yes
[ "$status" = 0 ] || fail "save for the plant file: exit $status: $(cat "$work/err")"
warning="after the change $mac answers at 10.20.0.5, outside 10.84.7.0/24 of a0: this PC reaches it only through a router and cannot confirm it"
cli set-ip "$mac" 10.20.0.5 --yes
[ "$status" = 0 ] && grep -qxF "$warning" "$work/err" &&
    grep -qxF "set-ip: address given, not confirmed: outside this PC's networks" "$work/err" ||
    fail "set-ip outside the PC's networks: exit $status: $(cat "$work/err")"
[ "$(where "$mac")" = 10.20.0.5 ] || fail "the module is not at 10.20.0.5: $(cat "$work/out")"

printf 'mac,address,file\n%s,10.20.0.6,%s\n' "$other" "$work/plant.rec" >"$work/plant.csv"
cli commission "$work/plant.csv" --yes --report "$work/plant-report.json"
grep -qxF "after the change $other answers at 10.20.0.6, outside 10.84.7.0/24 of a0: this PC reaches it only through a router and cannot confirm it" "$work/err" ||
    fail "the commission plan did not say the row's address is out of reach: $(cat "$work/err")"
[ "$status" = 0 ] &&
    grep -qF "loaded plant.rec; ip 10.84.7.11 -> 10.20.0.6 given, not confirmed: outside this PC's networks" "$work/plant-report.json" &&
    tr -d ' \n' <"$work/plant-report.json" | grep -qF '"steps":["load","set-ip"]' ||
    fail "commission outside the PC's networks: exit $status: $(cat "$work/err" "$work/plant-report.json")"

# The window keeps its question; its live log says it.
window set-ip 10.20.0.7
grep -qE '^log: after the change [0-9A-F-]+ answers at 10\.20\.0\.7, outside 10\.84\.7\.0/24 of a0: this PC reaches it only through a router and cannot confirm it$' "$work/out" ||
    fail "the window's live log did not say the address is out of reach: $(cat "$work/out" "$work/err")"

finish
