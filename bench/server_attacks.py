#!/usr/bin/env python3
"""The relay against hostile clients, for `make bench` (a Release build):

peak_kib: the peak resident size of krelServer while eight clients blast
it for a while, each reconnecting when the server ends it: bytes without a
greeting, an endless chat line, endless events, and states as fast as the
socket takes them.

attacks: an honest game of four krel-bot clients with a fifth client that
plays 25 frames a second and sends one attack with every frame. For each
attack, the honest clients' batches per second (the fifth client paces the
game at 25 while it stays; bots play as fast as batches come) and whether the
server ended the attacker, and when.

Loopback only; the server announces to 127.0.0.1. Prints one JSON object.
Usage: server_attacks.py BUILD_DIR"""
import json, os, random, re, signal, socket, struct, subprocess, sys, tempfile, threading, time

build = os.path.abspath(sys.argv[1])
HELLO = b"$KREL0.82.0.0C\x00\x0f\x00\x64\x01"


def worm(name, x, alive=False):
    """A full worm record, most fields unchanged (byte 128)."""
    r = name + b"\0" + (b"\x01" if alive else b"\x00") + struct.pack(">I", x * 100)[1:] + b"\x80" * 5 + b"\x80" + b"\x00\x64" + b"\x01"
    r += b"\x80\x80" + b"\x00\x0f" + b"\x80" + b"\x80" + b"\x00" * 8 + b"\x00" + b"\x80" * 4 + b"\x80\x80"
    r += b"\x80\x00" * 5
    return r


# The attacker's worms stay out of play, so the honest clients can still join.
STATES = b"p" + worm(b"Mallory", 50) + b"p" + worm(b"Eve", 80)
# A blaster's worms are alive: its states start a game, and the others are
# turned away from then on, as during a real game.
LIVE_STATES = b"p" + worm(b"Mallory", 50, True) + b"p" + worm(b"Eve", 80, True)


def short(v):
    return struct.pack(">h", v) if v >= 0 else struct.pack(">H", v + 65280)


def digs(n, radius):
    return b"".join(b"d" + short(random.randrange(20, 480)) + short(random.randrange(20, 330)) + short(radius)
                    for _ in range(n))


def shots(n):
    return (b"w\x00\x05" + b"\x00\x27\x10" * 2 + b"\x80\x80" + b"\x03\x01") * n


def start_server(work):
    log = open(os.path.join(work, "server.txt"), "w+")
    udp = str(40000 + os.getpid() % 20000)
    proc = subprocess.Popen([os.path.join(build, "krelServer"), "--port", "0", "--announce-port", udp,
                             "--announce-to", "127.0.0.1", "--bind", "127.0.0.1"],
                            stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    for _ in range(100):
        log.seek(0)
        m = re.search(r"listening on TCP port (\d+)", log.read())
        if m:
            return proc, int(m.group(1)), log
        time.sleep(0.1)
    raise SystemExit("krelServer did not start")


def stop(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        return os.wait4(proc.pid, 0)[2].ru_maxrss
    except ChildProcessError:
        return 0


def blaster(port, kind, until):
    """One hostile client: connects, blasts, reconnects when ended."""
    junk = os.urandom(65536)
    while time.time() < until:
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=2)
            s.settimeout(0.5)
            if kind == "no-greeting":
                payload = junk
            else:
                s.sendall(HELLO)
                payload = {"endless-chat": b"x" * 65536, "endless-events": digs(5000, 3),
                           "states": LIVE_STATES * 200}[kind]
                if kind == "endless-chat":
                    s.sendall(b"c")
            while time.time() < until:
                s.sendall(payload)
        except OSError:
            pass
        finally:
            try:
                s.close()
            except Exception:
                pass


def peak_under_blast(work, seconds=20):
    proc, port, _ = start_server(work)
    until = time.time() + seconds
    kinds = ["no-greeting", "endless-chat", "endless-events", "states"] * 2
    threads = [threading.Thread(target=blaster, args=(port, k, until)) for k in kinds]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return stop(proc)


class Attacker:
    """A fifth player in lock-step, as a real client: a frame at most every
    40 ms and only once the batch of its previous one is coming in; each
    frame is what `attack(frame)` gives."""

    def __init__(self, port, attack):
        self.s = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.attack, self.ended_after = attack, None
        self.s.sendall(HELLO)
        self.stop = False
        self.arrived = threading.Event()
        threading.Thread(target=self.read, daemon=True).start()
        threading.Thread(target=self.play, daemon=True).start()

    def read(self):
        try:
            while self.s.recv(65536):
                self.arrived.set()
        except OSError:
            pass
        if self.ended_after is None:
            self.ended_after = time.time() - self.start

    def play(self):
        self.start = time.time()
        frame = 0
        while not self.stop and self.ended_after is None:
            begun = time.time()
            self.arrived.clear()
            try:
                self.s.sendall(self.attack(frame))
            except OSError:
                break
            frame += 1
            # The batch, or two seconds as a real client waits.
            self.arrived.wait(2)
            time.sleep(max(0.0, begun + 0.04 - time.time()))


def trickle(f):
    """Plays 50 frames, then one byte of a chat line that never ends per second."""
    if f < 50:
        return STATES
    return b"c" if f == 50 else (b"x" if f % 25 == 0 else b"")


ATTACKS = {
    "none": lambda f: STATES,
    "100 digs of radius 12 per frame": lambda f: digs(100, 12) + STATES,
    "100 digs of radius 100 per frame": lambda f: digs(100, 100) + STATES,
    "1,000 digs of radius 12 per frame": lambda f: digs(1000, 12) + STATES,
    "149,000 digs in one frame": lambda f: (digs(149000, 6) if f == 50 else b"") + STATES,
    "1,000 shots per frame": lambda f: shots(1000) + STATES,
    "kill reports of other players' worms": lambda f: b"f\x03\x04f\x05\x06" + STATES,
    "a trickle of an endless chat line": trickle,
}


def honest_game(work, attack, seconds=10):
    proc, port, log = start_server(work)
    attacker = Attacker(port, attack)
    time.sleep(0.5)
    bots = subprocess.Popen([os.path.join(build, "krel-bot"), "127.0.0.1", "--port", str(port), "--count", "4",
                             "--wait-for", "5", "--lives", "9999", "--seed", "7", "--data", build],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, text=True)
    begin = time.time()
    time.sleep(seconds)
    bots.send_signal(signal.SIGINT)
    out, _ = bots.communicate(timeout=30)
    elapsed = time.time() - begin
    attacker.stop = True
    if attacker.ended_after is not None:
        time.sleep(0.2)
    stop(proc)
    log.seek(0)
    ended = [l.strip()[9:] for l in log if "ended:" in l and "closed by the client" not in l]
    counts = [int(m) for m in re.findall(r"(\d+) batches", out)]
    return {"batches_per_s": round(min(counts) / elapsed, 1) if counts else 0,
            "attacker_ended_after_s": round(attacker.ended_after, 2) if ended else None,
            "ended": ended[:3]}


with tempfile.TemporaryDirectory() as work:
    random.seed(1)
    result = {"peak_kib_under_8_blasting_clients": peak_under_blast(work), "attacks": {}}
    for name, attack in ATTACKS.items():
        result["attacks"][name] = honest_game(work, attack)
print(json.dumps(result, indent=1))
