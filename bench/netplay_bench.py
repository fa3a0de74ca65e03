#!/usr/bin/env python3
"""Network games over slow links, measured: two paced bots (krel-bot --paced,
40 ms frames in real time, like two people's clients) play through
bench/delay_proxy.py at each round trip, once pipelined and once in
lock-step, and the table says, per client, frames per second, batches per
second, how late the other's worms were when their batch arrived, and
whether both clients' levels and scores agreed at every 50th batch.

    python3 bench/netplay_bench.py BUILD_DIR [--frames N] [--rtts 0,50,100,150,200]

Everything runs on 127.0.0.1 (the server announces to 127.0.0.1 only). A round
trip of 0 connects the bots to the server directly, as on a LAN.
"""
import argparse
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
LINE = re.compile(r"bot (\d+): (\d+) frames, (\d+) batches, (.*?); (pipelined|lock-step), ([\d.]+) frames/s, "
                  r"([\d.]+) batches/s, others' worms (-?\d+) ms late")


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as u:
        u.bind(("127.0.0.1", 0))
        return u.getsockname()[1]


def wait_for_line(path, pattern, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        with open(path) as f:
            m = re.search(pattern, f.read())
        if m:
            return m.group(1)
        time.sleep(0.1)
    raise RuntimeError(f"no '{pattern}' in {path}")


def start_server(build, work, procs, extra=(), udp=None):
    """Starts krelServer on loopback (its announcements kept to 127.0.0.1,
    its log in work/server.txt) and returns its TCP port as text; the process
    joins `procs`. `udp` is the port it announces to (a free one unless given)."""
    out = os.path.join(work, "server.txt")
    with open(out, "w") as f:
        procs.append(subprocess.Popen(
            [os.path.join(build, "krelServer"), "--port", "0", "--bind", "127.0.0.1",
             "--announce-to", "127.0.0.1", "--announce-port", str(udp or free_udp_port()), *extra],
            stdout=f, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL))
    return wait_for_line(out, r"listening on TCP port (\d+)")


def through_proxy(work, procs, port, rtt):
    """The port to connect to for a round trip of `rtt` ms: the server's own
    at 0, else a delaying proxy's in front of it."""
    if rtt <= 0:
        return port
    ready = os.path.join(work, "proxy.txt")
    with open(ready, "w") as f:
        procs.append(subprocess.Popen(
            [sys.executable, os.path.join(HERE, "delay_proxy.py"), "0", port, str(rtt)],
            stdout=f, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL))
    return wait_for_line(ready, r"proxy listening on (\d+)")


def stop(procs):
    for p in reversed(procs):
        if p.poll() is None:
            p.terminate()
        try:
            p.wait(timeout=5)
        except subprocess.TimeoutExpired:
            p.kill()


def agreement(dump_dir):
    """Batches of the four-worm game seen by both bots, and whether their
    levels and scores agreed at every one of them."""
    views = []
    for name in sorted(os.listdir(dump_dir)):
        batches = {}
        for line in open(os.path.join(dump_dir, name), encoding="utf-8"):
            d = json.loads(line)
            if "batch" in d and d["NumPlayers"] == 4:
                worms = sorted((p["Name"], p["Lives"], p["Kills"]) for p in d["players"])
                batches[d["batch"]] = (d["LevelChecksum"], worms)
        views.append(batches)
    if len(views) != 2:
        return 0, False
    common = set(views[0]) & set(views[1])
    return len(common), all(views[0][b] == views[1][b] for b in common)


def run(build, data, rtt, mode, frames, work):
    procs = []
    try:
        port = through_proxy(work, procs, start_server(build, work, procs), rtt)
        dump = os.path.join(work, "dump")
        shutil.rmtree(dump, ignore_errors=True)
        os.makedirs(dump)
        args = [os.path.join(build, "krel-bot"), "127.0.0.1", "--port", port, "--count", "2", "--paced",
                "--frames", str(frames), "--seed", "7", "--lives", "9999", "--data", data, "--dump", dump]
        if mode == "lock-step":
            args.append("--lock-step")
        bots = subprocess.run(args, capture_output=True, text=True, timeout=60 + frames)
        rows = [m.groups() for m in map(LINE.search, bots.stdout.splitlines()) if m]
        if len(rows) != 2:
            raise RuntimeError("krel-bot said:\n" + bots.stdout + bots.stderr)
        compared, agreed = agreement(dump)
        return rows, compared, agreed
    finally:
        stop(procs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--frames", type=int, default=500)
    ap.add_argument("--rtts", default="0,50,100,150,200")
    ap.add_argument("--modes", default="pipelined,lock-step")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="krel-netplay-")
    try:
        data = os.path.join(work, "data")
        os.makedirs(data)
        shutil.copy(os.path.join(build, "level.bmp"), data)
        # Without the one weapon effect that changes a level locally, every
        # client's level must be the same after each batch.
        with open(os.path.join(build, "arms.dat"), "rb") as src, open(os.path.join(data, "arms.dat"), "wb") as dst:
            dst.writelines(l for l in src if not l.startswith(b"DRAWOBJECT:"))
        print("| round trip | mode | client | frames/s | batches/s | others' worms late | levels and scores agree |")
        print("|---|---|---|---|---|---|---|")
        for mode in a.modes.split(","):
            for rtt in [int(r) for r in a.rtts.split(",")]:
                # Lock-step over a slow link plays slowly: fewer frames keep the run short.
                frames = a.frames if mode == "pipelined" else max(100, a.frames * 41 // max(41, rtt + 5))
                rows, compared, agreed = run(build, data, rtt, mode, frames, work)
                for r in rows:
                    verdict = f"{'yes' if agreed else 'NO'} ({compared} batches)"
                    print(f"| {rtt} ms | {mode} | bot {r[0]} | {r[5]} | {r[6]} | {r[7]} ms | {verdict} |", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
