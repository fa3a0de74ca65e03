#!/usr/bin/env python3
"""The sync guard of open play, measured: four paced bots (krel-bot
--count 4, two worms each) play an open game through bench/delay_proxy.py for
--seconds, and the table says how many level checks the game made and how
many levels the server sent again because a client's level differed.

    python3 bench/sync_guard_bench.py BUILD_DIR [--rtt 150] [--seconds 90]
        [--weapons shipped,every-object-draws]

"every-object-draws" is the shipped weapon file with DRAWOBJECT:1 given to
every object, the hardest case for the levels staying the same: every
object that explodes leaves its picture in the level.

Everything runs on 127.0.0.1 (the server announces to 127.0.0.1 only).
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

CHECK_BATCHES = 50


def every_object_draws(src, dst):
    with open(src, encoding="latin-1") as f:
        lines = [line for line in f if not line.startswith("DRAWOBJECT:")]
    with open(dst, "w", encoding="latin-1") as f:
        for line in lines:
            f.write(line)
            if line.startswith("OBJECT:"):
                f.write("DRAWOBJECT:1\n")


def run(build, data, rtt, seconds, work):
    procs = []
    try:
        port = through_proxy(work, procs, start_server(build, work, procs, ["--arms", os.path.join(data, "arms.dat")]), rtt)
        bots = subprocess.run(
            [os.path.join(build, "krel-bot"), "127.0.0.1", "--port", port, "--count", "4", "--paced",
             "--frames", str(seconds * 25), "--seed", "11", "--lives", "9999", "--data", data],
            capture_output=True, text=True, timeout=seconds + 120)
        said = [bots.stdout + bots.stderr]
        time.sleep(0.5)
        with open(os.path.join(work, "server.txt")) as f:
            log = f.read()
        if "open to clients that can join" not in log:
            raise RuntimeError("no open game:\n" + log + "\n".join(said))
        batches = [int(m) for m in re.findall(r"(\d+) batches", "\n".join(said))]
        resent = len(re.findall(r"sending it the level again", log))
        twice = 0
        last = {}
        for who, batch in re.findall(r"(client #\d+) .*?its level differs from the game's at batch (\d+)", log):
            twice += last.get(who) == int(batch) - CHECK_BATCHES
            last[who] = int(batch)
        return max(batches or [0]) // CHECK_BATCHES, resent, twice
    finally:
        stop(procs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--rtt", type=int, default=150)
    ap.add_argument("--seconds", type=int, default=90)
    ap.add_argument("--weapons", default="shipped,every-object-draws")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="krel-sync-")
    try:
        print("| weapon file | round trip | played | level checks | levels sent again | same client at two checks in a row |")
        print("|---|---|---|---|---|---|")
        for weapons in a.weapons.split(","):
            data = os.path.join(work, weapons)
            os.makedirs(data)
            shutil.copy(os.path.join(build, "level.bmp"), data)
            if weapons == "shipped":
                shutil.copy(os.path.join(build, "arms.dat"), data)
            else:
                every_object_draws(os.path.join(build, "arms.dat"), os.path.join(data, "arms.dat"))
            checks, resent, twice = run(build, data, a.rtt, a.seconds, work)
            print(f"| {weapons} | {a.rtt} ms | {a.seconds} s | {checks} | {resent} | {twice} |", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
