#!/usr/bin/env bash
# run.sh FUZZER SEEDS WORK SECONDS: runs one libFuzzer target for SECONDS
# from the seed corpus SEEDS (never written to); what it finds goes to WORK,
# a crashing input as WORK/crash-*. Exit status 0 when nothing was found.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
[ -x "$fuzzer" ] || { echo "SKIP: $fuzzer is not built"; exit 77; }
mkdir -p "$work"
# A fuzzer's dictionary, when it has one, lies beside this script as NAME.dict.
dict="$(dirname "$0")/$(basename "$fuzzer" | sed 's/^krel_fuzz_//').dict"
extra=()
[ -f "$dict" ] && extra=(-dict="$dict")
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/" "${extra[@]}" "$work" "$seeds"
