#!/usr/bin/env python3
"""A TCP stream both ways across the lossy wire, checked byte for byte.

Run by scripts/lossy-lan inside the PC namespace: starts the LAN side in
$QUELVAR_LAN_NETNS, sends it SIZE seeded bytes, and takes back the length and
SHA-256 of what arrived there followed by SIZE seeded bytes of its own. The
wire loses frames; the kernels' TCP must make up for every one of them.
Prints how many segments this side's kernel sent again.

    tcp_transfer.py [SIZE]                    the PC side (default 262144)
    tcp_transfer.py serve ADDRESS SIZE        the LAN side
"""
import hashlib
import os
import random
import select
import socket
import subprocess
import sys
import time

LAN_ADDRESS = "10.84.7.2"
DEADLINE_SECONDS = 45  # for the whole exchange; the test's limit is 60


def payload(size, seed):
    return random.Random(seed).randbytes(size)


def tcp_counter(name):
    """A counter of this namespace's TCP from /proc/net/snmp."""
    with open("/proc/net/snmp") as snmp:
        rows = [line.split() for line in snmp if line.startswith("Tcp:")]
    return int(rows[1][rows[0].index(name)])


def receive_all(connection, deadline):
    chunks = []
    while True:
        connection.settimeout(max(0.1, deadline - time.monotonic()))
        chunk = connection.recv(65536)
        if not chunk:
            return b"".join(chunks)
        chunks.append(chunk)


def serve(address, size):
    deadline = time.monotonic() + DEADLINE_SECONDS
    with socket.create_server((address, 0)) as listener:
        print("listening", listener.getsockname()[1], flush=True)
        listener.settimeout(DEADLINE_SECONDS)
        connection, _ = listener.accept()
        with connection:
            arrived = receive_all(connection, deadline)
            header = f"{len(arrived)} {hashlib.sha256(arrived).hexdigest()}\n".encode()
            connection.settimeout(max(0.1, deadline - time.monotonic()))
            connection.sendall(header + payload(size, 2))
    return 0


def start_lan_side(size):
    """The LAN side and the port it listens on, once it listens."""
    lan = subprocess.Popen(
        ["ip", "netns", "exec", os.environ["QUELVAR_LAN_NETNS"], sys.executable,
         os.path.abspath(__file__), "serve", LAN_ADDRESS, str(size)],
        stdout=subprocess.PIPE, text=True)
    ready, _, _ = select.select([lan.stdout], [], [], 10)
    line = lan.stdout.readline() if ready else ""
    if not line.startswith("listening "):
        lan.kill()
        sys.exit(f"tcp_transfer: the LAN side did not start listening: {line!r}")
    return lan, int(line.split()[1])


def main(size):
    lan, port = start_lan_side(size)
    retransmitted_before = tcp_counter("RetransSegs")
    started = time.monotonic()
    deadline = started + DEADLINE_SECONDS
    sent = payload(size, 1)
    try:
        with socket.create_connection((LAN_ADDRESS, port), timeout=DEADLINE_SECONDS) as stream:
            stream.settimeout(max(0.1, deadline - time.monotonic()))
            stream.sendall(sent)
            stream.shutdown(socket.SHUT_WR)
            answer = receive_all(stream, deadline)
    except OSError as error:
        lan.kill()
        sys.exit(f"tcp_transfer: the exchange failed after "
                 f"{time.monotonic() - started:.1f} s: {error}")
    finally:
        lan.wait(timeout=10)
    took = time.monotonic() - started
    retransmitted = tcp_counter("RetransSegs") - retransmitted_before

    header, _, back = answer.partition(b"\n")
    expected_header = f"{len(sent)} {hashlib.sha256(sent).hexdigest()}".encode()
    failures = []
    if header != expected_header:
        failures.append(f"the LAN side got {header!r}, not {expected_header!r}")
    if back != payload(size, 2):
        failures.append(f"{len(back)} bytes came back, not the {size} sent")
    print(f"tcp_transfer: {size} bytes each way in {took:.1f} s; "
          f"PC side retransmitted {retransmitted} segments")
    for failure in failures:
        print("tcp_transfer: FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "serve":
        sys.exit(serve(sys.argv[2], int(sys.argv[3])))
    sys.exit(main(int(sys.argv[1]) if len(sys.argv) > 1 else 262144))
