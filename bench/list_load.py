#!/usr/bin/env python3
"""krelList under the load of 10,000 registered relays renewing every five
seconds, on loopback only: 625 sockets on 625 loopback addresses, each in a
network (/24) of its own (127.1.0.1 ...; the whole of 127/8 is this machine),
each registering 16 relays (the most one address may list), so 2,000
registrations a second, each followed by its details datagram as a relay of
the second list version sends it (4,000 datagrams a second). After the
relays are listed, measures krelList's CPU time and resident size over
SECONDS and checks that a query still pages through all 10,000.
Prints one JSON object. Usage: list_load.py BUILD_DIR [SECONDS]"""
import json, os, socket, struct, subprocess, sys, time

build = os.path.abspath(sys.argv[1])
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 30
RENEW_S = 5.0
ADDRESSES, PER_ADDRESS = 625, 16

probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
probe.bind(("127.0.0.1", 0))
port = probe.getsockname()[1]
probe.close()
lst = subprocess.Popen([os.path.join(build, "krelList"), "--port", str(port), "--bind", "127.0.0.1"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
time.sleep(0.5)

socks, tokens = [], []
for a in range(ADDRESSES):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 16)
    s.bind((f"127.{1 + a // 250}.{a % 250}.1", 0))
    s.setblocking(False)
    socks.append(s)
    tokens.append(b"\0" * 8)


def register(a):
    s = socks[a]
    for p in range(PER_ADDRESS):
        try:
            s.sendto(b"KRLSR" + tokens[a] + struct.pack(">HBB", 20000 + p, 2, 0), ("127.0.0.1", port))
            # Its details: 2 worms, waiting, 1 player, 7 places to play, none to watch.
            s.sendto(b"KRLSS" + tokens[a] + struct.pack(">HBBBBB", 20000 + p, 2, 0, 1, 7, 0), ("127.0.0.1", port))
        except BlockingIOError:
            pass
    try:
        while True:
            d, _ = s.recvfrom(64)
            if d[:5] == b"KRLST":
                tokens[a] = d[5:13]
    except BlockingIOError:
        pass


def cpu_ticks():
    fields = open(f"/proc/{lst.pid}/stat").read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def rss_kib():
    for line in open(f"/proc/{lst.pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])


def listed(detailed=False):
    """Relays a query pages through; `detailed`: those whose details came too."""
    q = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    q.settimeout(2)
    cursor, n = b"\0" * 6, 0
    mark, size = (b"D\2", 11) if detailed else (b"", 8)
    for _ in range(200):
        q.sendto(b"KRLSQ" + b"\0\0\0\1" + cursor + mark + b"\0" * (1200 - 15 - len(mark)), ("127.0.0.1", port))
        d, _ = q.recvfrom(2000)
        count = d[10]
        entries = [d[11 + size * i: 11 + size * (i + 1)] for i in range(count)]
        n += sum(1 for e in entries if not detailed or e[7] & 2)
        if count:
            cursor = entries[-1][:6]
        if not d[9] or not count:
            break
    return n


def run(duration):
    """Every address renews its 16 relays once every RENEW_S seconds, spread evenly."""
    start = time.monotonic()
    step = RENEW_S / ADDRESSES
    i = 0
    while time.monotonic() - start < duration:
        register(i % ADDRESSES)
        i += 1
        delay = start + i * step - time.monotonic()
        if delay > 0:
            time.sleep(delay)


# Two quick rounds: the first fetches the tokens, the second lists everybody.
for a in range(ADDRESSES):
    register(a)
time.sleep(0.5)
for a in range(ADDRESSES):
    register(a)
time.sleep(0.5)
run(3 * RENEW_S)  # a burst at start may lose datagrams; the renewals list the rest
before_n = listed()
t0, c0 = time.monotonic(), cpu_ticks()
run(seconds)
t1, c1 = time.monotonic(), cpu_ticks()
result = {
    "relays_listed": before_n,
    "relays_listed_after": listed(),
    "relays_with_details_after": listed(True),
    "registrations_per_s": ADDRESSES * PER_ADDRESS / RENEW_S,
    "datagrams_per_s": 2 * ADDRESSES * PER_ADDRESS / RENEW_S,
    "krelList_cpu_percent": round(100.0 * (c1 - c0) / os.sysconf("SC_CLK_TCK") / (t1 - t0), 2),
    "krelList_rss_kib": rss_kib(),
}
lst.terminate()
lst.wait()
print(json.dumps(result))
