#!/usr/bin/env python3
"""Honest players beside a client that sends more states than it has worms:
two paced krel-bot clients (40 ms frames in real time, like people's
clients), once in lock-step and once pipelined, play on a relay with a third
client that answers every batch at once with six small "I" states (three
frames' worth), with and without 300 digs of radius 12. The table gives the honest
bots' batches per second and how late the others' worms were when their
batch arrived, the normal game beside it; and whether the server ended
anyone.

Loopback only; the server announces to 127.0.0.1. Prints one JSON object.
Usage: cycle_flood.py BUILD_DIR [SECONDS]"""
import json, os, random, re, signal, socket, struct, subprocess, sys, tempfile, threading, time

build = os.path.abspath(sys.argv[1])
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10
HELLO = b"$KREL0.82.0.0C\x00\x0f\x00\x64\x01"
LINE = re.compile(r"(pipelined|lock-step), ([\d.]+) frames/s, ([\d.]+) batches/s, others' worms (-?\d+) ms late")


def worm(name, x):
    """A full worm record out of play, most fields unchanged (byte 128)."""
    r = name + b"\0" + b"\x00" + struct.pack(">I", x * 100)[1:] + b"\x80" * 5 + b"\x80" + b"\x00\x64" + b"\x01"
    r += b"\x80\x80" + b"\x00\x0f" + b"\x80" + b"\x80" + b"\x00" * 8 + b"\x00" + b"\x80" * 4 + b"\x80\x80"
    r += b"\x80\x00" * 5
    return r


STATES = b"p" + worm(b"Mallory", 50) + b"p" + worm(b"Eve", 80)
SMALL_STATE = b"I" + b"\x00" * 8 + b"\x80"  # controls and an unchanged seed


def digs(n):
    return b"".join(b"d" + struct.pack(">hhh", random.randrange(20, 480), random.randrange(20, 330), 12)
                    for _ in range(n))


def start_server(work):
    log = open(os.path.join(work, "server.txt"), "w+")
    proc = subprocess.Popen([os.path.join(build, "krelServer"), "--port", "0", "--announce-port", "9",
                             "--announce-to", "127.0.0.1", "--bind", "127.0.0.1"],
                            stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    for _ in range(100):
        log.seek(0)
        m = re.search(r"listening on TCP port (\d+)", log.read())
        if m:
            return proc, int(m.group(1)), log
        time.sleep(0.1)
    raise SystemExit("krelServer did not start")


class Flooder:
    """Joins with two full states, then answers every batch at once with six
    small states and `dig_count` digs: if those finished the cycle, it would
    set everyone's pace."""

    def __init__(self, port, dig_count):
        self.s = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.s.sendall(HELLO)
        self.dig_count, self.stop, self.ended = dig_count, False, False
        self.arrived = threading.Event()
        threading.Thread(target=self.read, daemon=True).start()
        threading.Thread(target=self.play, daemon=True).start()

    def read(self):
        try:
            while self.s.recv(65536):
                self.arrived.set()
        except OSError:
            pass
        self.ended = True

    def play(self):
        frame = STATES
        cached = digs(self.dig_count)
        while not self.stop and not self.ended:
            self.arrived.clear()
            try:
                self.s.sendall(frame)
            except OSError:
                break
            frame = cached + SMALL_STATE * 6
            self.arrived.wait(2)


def game(work, mode, dig_count):
    """mode: lock-step or pipelined; dig_count None: no flooder at all."""
    proc, port, log = start_server(work)
    flooder = Flooder(port, dig_count) if dig_count is not None else None
    time.sleep(0.3)
    args = [os.path.join(build, "krel-bot"), "127.0.0.1", "--port", str(port), "--count", "2", "--wait-for",
            "3" if flooder else "2", "--lives", "50", "--seed", "7", "--paced"]
    if mode == "lock-step":
        args.append("--lock-step")
    bots = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                            text=True)
    time.sleep(seconds)
    bots.send_signal(signal.SIGINT)
    out, _ = bots.communicate(timeout=30)
    if flooder:
        flooder.stop = True
    proc.send_signal(signal.SIGTERM)
    proc.wait(timeout=10)
    log.seek(0)
    ended = [l.strip()[9:] for l in log if "ended:" in l and "closed by the client" not in l]
    rates = [(float(m.group(3)), int(m.group(4))) for m in LINE.finditer(out)]
    lost = [l for l in out.splitlines() if "lost" in l or "error" in l]
    return {"batches_per_s": [r[0] for r in rates], "others_late_ms": [r[1] for r in rates], "ended": ended[:3],
            "bots_lost": lost[:2]}


random.seed(1)
result = {}
with tempfile.TemporaryDirectory() as work:
    for mode in ("lock-step", "pipelined"):
        for name, count in (("normal game", None), ("6 states per frame", 0),
                            ("6 states and 300 digs per frame", 300)):
            result[f"{mode}, {name}"] = game(work, mode, count)
print(json.dumps(result, indent=1))
