#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Prints export/floor ratios from a Google Benchmark JSON report.

Usage: bench_merkle --benchmark_format=json --benchmark_repetitions=10 \
           --benchmark_enable_random_interleaving=true | bench/ratios.py
Benchmarks named NAME/ARG are compared with floor_*/ARG of the same ARG. With
repetitions, each benchmark's fastest repetition is used, in CPU time: on a
shared, noisy machine interference only ever adds time, so the minimum is the
steadiest estimate of the work itself.
"""
import json
import sys
from collections import defaultdict


def main():
    report = json.load(sys.stdin)
    times = defaultdict(list)
    for b in report["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        name = b.get("run_name", b["name"]).split("/iterations")[0]
        times[name].append(b["cpu_time"])
    best = {k: min(v) for k, v in times.items()}
    floors = {k.split("/", 1)[1]: v for k, v in best.items() if k.startswith("floor_")}
    print("%-28s %12s %12s %8s" % ("benchmark", "time (ns)", "floor (ns)", "ratio"))
    for name, t in sorted(best.items()):
        if name.startswith("floor_"):
            continue
        arg = name.split("/", 1)[1]
        floor = floors.get(arg)
        if floor:
            print("%-28s %12.0f %12.0f %8.3f" % (name, t, floor, t / floor))


if __name__ == "__main__":
    main()
