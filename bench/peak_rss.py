#!/usr/bin/env python3
"""Peak resident size of the real programs, for `make bench`:
krel playing a local game of two computer worms (SDL's dummy drivers), and
krelServer relaying a game of eight krel-bot clients. Loopback only; the
server announces to 127.0.0.1. Prints one JSON object (sizes in KiB).
Usage: peak_rss.py BUILD_DIR"""
import json, os, re, signal, subprocess, sys, tempfile, time

build = os.path.abspath(sys.argv[1])
result = {}


def wait_rss(proc, limit):
    """Waits for the process (at most limit seconds, then kills it); its peak RSS in KiB."""
    deadline = time.time() + limit
    while time.time() < deadline:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid:
            proc.returncode = status
            return usage.ru_maxrss
        time.sleep(0.1)
    proc.kill()
    return os.wait4(proc.pid, 0)[2].ru_maxrss


with tempfile.TemporaryDirectory() as work:
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", KREL_CONFIG_DIR=work,
               XDG_DATA_HOME=work, KREL_SEED="4242", KREL_INPUT=os.path.join(work, "keys.txt"))
    with open(os.path.join(work, "krel.ini"), "w") as f:
        f.write('[Player 1 Settings]\n"Computer"="1"\n[Player 2 Settings]\n"Computer"="1"\n')
    with open(os.path.join(work, "keys.txt"), "w") as f:
        # NEW LOCAL GAME with the weapons dealt, 400 frames of the computer
        # worms fighting; the script's end closes the program.
        f.write("1 RETURN\n1 -\n1 RETURN\n400 -\n")
    if os.path.exists(os.path.join(build, "krel")):
        krel = subprocess.Popen([os.path.join(build, "krel")], cwd=work, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        result["krel_game_kib"] = wait_rss(krel, 60)

    udp = str(40000 + os.getpid() % 20000)
    server = subprocess.Popen([os.path.join(build, "krelServer"), "--port", "0", "--announce-port", udp,
                               "--announce-to", "127.0.0.1", "--bind", "127.0.0.1"],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, text=True)
    port = None
    for line in server.stdout:
        m = re.search(r"listening on TCP port (\d+)", line)
        if m:
            port = m.group(1)
            break
    bots = subprocess.Popen([os.path.join(build, "krel-bot"), "127.0.0.1", "--port", port, "--count", "8",
                             "--wait-for", "8", "--frames", "1500", "--lives", "9999", "--seed", "1"],
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    result["krel_bot_8_kib"] = wait_rss(bots, 300)
    server.send_signal(signal.SIGTERM)
    server.stdout.close()
    result["krelServer_8_clients_kib"] = wait_rss(server, 10)
print(json.dumps(result))
