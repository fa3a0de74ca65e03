#!/usr/bin/env python3
"""Joining a running open game, measured: two paced bots play through
bench/delay_proxy.py at each round trip; after --after seconds a third paced
bot joins. The table says how long the join took (from the newcomer's
connection to its entry), which batch it entered at, and what the join
carried: the level (compressed) and the digs since the level was taken.

    python3 bench/join_bench.py BUILD_DIR [--rtts 0,150] [--after 20] [--take-place]

With --take-place the third bot first watches, presses jump after 50 frames
and takes the free place (from its new connection to its entry).

Everything runs on 127.0.0.1 (the server announces to 127.0.0.1 only). The
game's own target: a join completes within 2 s on loopback and within 2 s
plus three round trips over a slow link.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from netplay_bench import start_server, stop, through_proxy  # noqa: E402

JOINED = re.compile(r"(?:joined the running game|took a free place) in (\d+) ms")
ENTERED = re.compile(r"entered the game at batch (\d+) \(level (\d+) bytes, (\d+) bytes of digs since\)")


def run(build, data, rtt, after, work, take_place):
    procs = []
    try:
        port = through_proxy(work, procs, start_server(build, work, procs), rtt)
        bot = [os.path.join(build, "krel-bot"), "127.0.0.1", "--port", port, "--paced", "--lives", "50",
               "--data", data]
        frames = (after + 15) * 25
        procs.append(subprocess.Popen(bot + ["--count", "2", "--wait-for", "2", "--frames", str(frames)],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                      stdin=subprocess.DEVNULL))
        time.sleep(after)
        watch_first = ["--play-after", "50", "--frames", "200"] if take_place else ["--frames", "100"]
        joiner = subprocess.run(bot + ["--number-from", "3", "--wait-for", "1"] + watch_first,
                                capture_output=True, text=True, timeout=60)
        joined = JOINED.search(joiner.stdout)
        with open(os.path.join(work, "server.txt")) as f:
            entered = ENTERED.search(f.read())
        if not joined or not entered:
            raise RuntimeError("no join:\n" + joiner.stdout + joiner.stderr)
        return int(joined.group(1)), entered.groups()
    finally:
        stop(procs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--rtts", default="0,150")
    ap.add_argument("--after", type=int, default=20, help="seconds of play before the join")
    ap.add_argument("--take-place", action="store_true", help="the newcomer watches first, then takes a place")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="krel-join-")
    try:
        data = os.path.join(work, "data")
        os.makedirs(data)
        for name in ("level.bmp", "arms.dat"):
            shutil.copy(os.path.join(build, name), data)
        print("| round trip | join took | entered at batch | level sent | digs since |")
        print("|---|---|---|---|---|")
        for rtt in [int(r) for r in a.rtts.split(",")]:
            ms, (batch, level, digs) = run(build, data, rtt, a.after, work, a.take_place)
            print(f"| {rtt} ms | {ms} ms | {batch} | {level} bytes | {digs} bytes |", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
