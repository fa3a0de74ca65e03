#!/usr/bin/env python3
# (Only labels here: the measurement runs krelServer with --announce-to 127.0.0.1, in peak_rss.py.)
"""Prints the performance table of docs/performance.md from the JSON files that
`make bench` writes (Google Benchmark's --benchmark_out and peak_rss.py).
Usage: table.py RESULTS_DIR"""
import glob, json, os, platform, re, subprocess, sys

results = {}
for path in glob.glob(os.path.join(sys.argv[1], "krel_bench_*.json")):
    for b in json.load(open(path))["benchmarks"]:
        results[b["name"]] = b
rss_path = os.path.join(sys.argv[1], "rss.json")
rss = json.load(open(rss_path)) if os.path.exists(rss_path) else {}


def get(name, key, scale=1.0):
    b = results.get(name)
    if b is None or key not in b:
        return None
    return b[key] * scale


def fmt(v, digits=3):
    return "n/a" if v is None else f"{v:.{digits}g}" if abs(v) < 1000 else f"{v:,.0f}"


def ns(name):
    """Real time per iteration in nanoseconds."""
    b = results.get(name)
    if b is None:
        return None
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b["real_time"] * scale


rows = []
for label, arg in (("quiet", 0), ("busy (400 particles)", 400)):
    name = f"BM_Match/{arg}"
    sim, draw = get(name, "sim_ms"), get(name, "draw_ms")
    total = None if sim is None or draw is None else sim + draw
    rows.append((f"frame, {label}: simulation / drawing / both", f"{fmt(sim)} / {fmt(draw)} / {fmt(total)} ms",
                 "both well under 2 ms" if arg else ""))
hostile = [(get(f"BM_HostileFile/{k}/iterations:200", "sim_ms"), get(f"BM_HostileFile/{k}/iterations:200", "worst_ms"))
           for k in range(3)]
rows.append(("frame under hostile weapon files (splinter storm, fast storm, shot swarm): simulation, average / worst",
             ", ".join(f"{fmt(a)} / {fmt(b)}" for a, b in hostile) + " ms (CPU time)", "worst under 20 ms"))
rows.append(("ace computer player, both worms, per frame",
             f"{fmt(get('BM_AceTwoWorms/iterations:3000', 'ai_ms'))} ms", "under 0.2 ms"))
rows.append(("IsPassable (one point)", f"{fmt(ns('BM_IsPassable'))} ns", ""))
rows.append(("dig, radius 12 / fill, radius 12", f"{fmt(ns('BM_dig/12'), 3)} / {fmt(ns('BM_dig/-12'), 3)} ns", ""))
rows.append(("codec: full worm record encoded and decoded",
             f"{fmt(ns('BM_WormRecordEncodeDecode'))} ns ({fmt(get('BM_WormRecordEncodeDecode', 'record_bytes'))} bytes)", ""))
relay = ns("BM_RelayCycle8Clients/real_time")
ping = ns("BM_LoopbackPingPong8Clients/real_time")
ratio = None if relay is None or ping is None else relay / ping
rows.append(("relay cycle, 8 clients / plain loopback round trip, 8 clients",
             f"{fmt(relay and relay / 1e3)} / {fmt(ping and ping / 1e3)} us (x{fmt(ratio, 2)})", "within x1.5"))
rows.append(("relay, 8 clients: batches per second / server CPU per batch",
             f"{fmt(get('BM_RelayCycle8Clients/real_time', 'batches_per_s'))} / "
             f"{fmt(get('BM_RelayCycle8Clients/real_time', 'server_cpu_us_per_batch'))} us", ""))
bots = "BM_RelayWith8Bots/iterations:1/manual_time"
rows.append(("server with 8 bots: batches per second / CPU per batch",
             f"{fmt(get(bots, 'batches_per_s'))} / {fmt(get(bots, 'server_cpu_us_per_batch'))} us", ""))
rows.append(("server with 8 bots at 25 cycles per second", f"{fmt(get(bots, 'server_core_pct_at_25Hz'))} % of one core",
             "below 1 %"))
kib = lambda k: "n/a" if k not in rss else f"{rss[k] / 1024:.1f} MiB"
rows.append(("peak resident size: krel in a game of two computer worms", kib("krel_game_kib"), ""))
rows.append(("peak resident size: krelServer with 8 clients", kib("krelServer_8_clients_kib"), ""))
rows.append(("peak resident size: krel-bot with 8 bots", kib("krel_bot_8_kib"), ""))

try:
    model = re.search(r"Model name:\s*(.*)", subprocess.run(["lscpu"], capture_output=True, text=True).stdout).group(1)
except Exception:
    model = platform.processor() or "unknown"
print(f"\nMachine: {model.strip()}, {os.cpu_count()} cores (nproc), {platform.system()} {platform.release()}\n")
print("| Measure | Result | Target |")
print("|---|---|---|")
for r in rows:
    print(f"| {r[0]} | {r[1]} | {r[2]} |")
