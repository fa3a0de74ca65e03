#!/usr/bin/env python3
"""How soon a player sees what the keys do, over slow links: two real krel
clients (SDL's dummy drivers, scripted players) play through
bench/delay_proxy.py at each round trip, with the shipped weapon file. The
shooter aims at the ground and fires now and then, the mover's worms walk,
jump, aim, fire and dig; the shooter's
KREL_NETSTATS lines (client/app/net_stats_log.h) give, from krel's own clock,
when the keyboard read the shoot key and when the frame that first showed
the shot, and its blast, was on screen. The table also gives the worst
correction of the mover's worms in one frame on the shooter's screen (as
drawn, and as their states alone would put them), the round trips the relay
measured and shows, the rates, and whether both clients' levels and scores
agreed at every 50th batch.

    python3 bench/predict_bench.py BUILD_DIR [--rtts 0,50,150,300]
        [--modes predicted,unpredicted,lock-step] [--presses 10]

predicted: pipelined play as shipped; unpredicted: pipelined with
KREL_PREDICT=0 (own shots wait for the batch, as before); lock-step:
KREL_LOCKSTEP=1. Everything runs on 127.0.0.1.
"""
import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ beside the sources
sys.path.insert(0, HERE)
from netplay_bench import free_udp_port, start_server, stop, through_proxy  # noqa: E402


MENU = ["3 -", "1 DOWN", "1 -", "1 RETURN", "3 -", "1 RETURN", "3 -", "TYPE 127.0.0.1", "2 -", "1 RETURN"]
QUIT = ["1 ESCAPE", "2 -", "1 SPACE", "1 -", "1 ESCAPE", "1 -", "1 RETURN"]


def shooter_keys(presses):
    # The mover joins meanwhile; then into play, aim at the ground, fire now and then.
    lines = MENU + ["80 -", "1 K", "10 -", "12 DOWN", "5 -"]
    for _ in range(presses):
        lines += ["1 J", "24 -"]
    return "\n".join(lines + QUIT) + "\n"


def mover_keys(frames):
    # Both worms walk, jump, aim, fire and dig in a fixed pattern, as people would.
    lines = MENU + ["40 -", "1 K X"]
    for _ in range(frames // 32):
        lines += ["8 RIGHT F J", "4 UP E Y", "8 LEFT S J Y", "2 -", "3 LEFT RIGHT S F", "6 DOWN D J", "1 K X"]
    return "\n".join(lines + QUIT) + "\n"


def latencies(stats):
    """Per press of the shoot key: ms from the keyboard read that saw it to
    the first frame on screen with a new own shot (or its blast), and with
    a new own blast, before the next press."""
    presses = [i for i in range(1, len(stats)) if stats[i]["shoot"] and not stats[i - 1]["shoot"]]
    shot, blast = [], []
    for n, k in enumerate(presses):
        end = presses[n + 1] if n + 1 < len(presses) else len(stats)
        read = stats[k]["read"]
        for f in stats[k + 1:end]:
            if f["shot"] or f["blast"]:
                shot.append(f["drawn"] - read)
                break
        for f in stats[k + 1:end]:
            if f["blast"]:
                blast.append(f["drawn"] - read)
                break
    return shot, blast


def agreement(paths):
    views = []
    for path in paths:
        batches = {}
        if os.path.exists(path):
            for line in open(path, encoding="utf-8"):
                d = json.loads(line)
                if "batch" in d and d["NumPlayers"] == 4:
                    worms = sorted((p["Name"], p["Lives"], p["Kills"]) for p in d["players"])
                    batches[d["batch"]] = (d["LevelChecksum"], worms)
        views.append(batches)
    common = set(views[0]) & set(views[1])
    level = all(views[0][b][0] == views[1][b][0] for b in common)
    score = all(views[0][b][1] == views[1][b][1] for b in common)
    return len(common), level, score


def run(build, rtt, mode, presses, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    bin_dir = os.path.join(work, "bin")
    os.makedirs(bin_dir)
    for f in ("krel", "arms.dat", "level.bmp"):
        shutil.copy(os.path.join(build, f), bin_dir)
    procs = []
    try:
        udp = free_udp_port()
        port = through_proxy(work, procs, start_server(build, work, procs, udp=udp), rtt)

        def start_krel(name, worms, script, extra, computer="0"):
            folder = os.path.join(work, name)
            os.makedirs(os.path.join(folder, "config"))
            with open(os.path.join(folder, "config", "krel.ini"), "w") as f:
                f.write(f'[Player 1 Settings]\n"Name"="{worms[0]}"\n"Computer"="{computer}"\n'
                        f'[Player 2 Settings]\n"Name"="{worms[1]}"\n"Computer"="{computer}"\n')
            with open(os.path.join(folder, "keys.txt"), "w") as f:
                f.write(script)
            env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy",
                       KREL_CONFIG_DIR=os.path.join(folder, "config"), KREL_INPUT=os.path.join(folder, "keys.txt"),
                       KREL_DUMP=os.path.join(folder, "dump.jsonl"), KREL_NETSTATS=os.path.join(folder, "stats.jsonl"),
                       KREL_TCP_PORT=port, KREL_UDP_PORT=str(udp), KREL_SEED="7")
            env.update(extra)
            if mode == "lock-step":
                env["KREL_LOCKSTEP"] = "1"
            if mode == "unpredicted":
                env["KREL_PREDICT"] = "0"
            p = subprocess.Popen([os.path.join(bin_dir, "krel")], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                                 stderr=open(os.path.join(folder, "err.txt"), "w"), stdin=subprocess.DEVNULL)
            procs.append(p)
            return p

        shooter = start_krel("shooter", ("Anna", "Alf"), shooter_keys(presses), {})
        end = time.time() + 20
        while time.time() < end and open(os.path.join(work, "server.txt")).read().count(" connected") < 1:
            time.sleep(0.1)
        start_krel("mover", ("Bert", "Bea"), mover_keys(120 + 25 * presses + 400), {"KREL_SEED": "8"}, computer="2")
        shooter.wait(timeout=900)
        stats = [json.loads(line) for line in open(os.path.join(work, "shooter", "stats.jsonl"))]
        compared, level, score = agreement([os.path.join(work, "shooter", "dump.jsonl"),
                                            os.path.join(work, "mover", "dump.jsonl")])
        return stats, compared, level, score
    finally:
        stop(procs)


def ms(values, pick):
    return f"{pick(values):.0f}" if values else "-"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--rtts", default="0,50,150,300")
    ap.add_argument("--modes", default="predicted,unpredicted,lock-step")
    ap.add_argument("--presses", type=int, default=10)
    ap.add_argument("--keep", action="store_true", help="keep the last run's folder and say where")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="krel-predict-")
    print("| round trip | mode | fire → own shot on screen, median (min-max) | fire → own blast, fastest "
          "(median) | remote worm's worst correction in a frame: drawn / from states | round trips shown "
          "| frames/s | batches/s | levels, scores agree |")
    print("|---|---|---|---|---|---|---|---|---|")
    try:
        for mode in a.modes.split(","):
            for rtt in [int(r) for r in a.rtts.split(",")]:
                stats, compared, level, score = run(build, rtt, mode, a.presses, os.path.join(work, "run"))
                shot, blast = latencies(stats)
                played = [s for s in stats if s["batch"] > 0]
                corr = max((s["corr"] for s in played), default=0)
                state_corr = max((s["stateCorr"] for s in played), default=0)
                span = (played[-1]["drawn"] - played[0]["drawn"]) / 1000 if len(played) > 1 else 0
                fps = (len(played) - 1) / span if span else 0
                bps = (played[-1]["batch"] - played[0]["batch"]) / span if span else 0
                pings = "/".join(str(p) for p in played[-1]["ping"]) if played else "-"
                shot_text = f"{ms(shot, statistics.median)} ({ms(shot, min)}-{ms(shot, max)}) ms" if shot else "-"
                blast_text = f"{ms(blast, min)} ({ms(blast, statistics.median)}) ms" if blast else "-"
                verdict = f"{'yes' if level else 'NO'}, {'yes' if score else 'NO'} ({compared} batches)"
                print(f"| {rtt} ms | {mode} | {shot_text} | {blast_text} | {corr:.1f} / {state_corr:.1f} px "
                      f"| {pings} | {fps:.1f} | {bps:.1f} | {verdict} |", flush=True)
    finally:
        if a.keep:
            print("last run in", os.path.join(work, "run"))
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
