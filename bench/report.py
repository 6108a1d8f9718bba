#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Prints one table from Google Benchmark JSON reports: operation, time, floor,
ratio, target.

Usage: bench/report.py REPORT.json...   (or one report on stdin)

Within one report, NAME/ARG is set beside floor_*/ARG. With repetitions, each
benchmark's fastest repetition is used, in CPU time: on a shared, noisy
machine interference only adds time, so the minimum is the steadiest estimate
of the work itself. A benchmark run on 1 and 2 threads (NAME/.../threads:N)
is reported as the throughput of two threads over one.
"""
import json
import re
import sys
from collections import defaultdict

# Targets by benchmark name: a bound on the ratio to the floor, or on the
# time itself (ns) where there is no floor.
TARGETS = {
    "abi_inclusion/1": ("ratio", 1.6),
    "abi_inclusion/20": ("ratio", 1.08),
    "abi_entry_hash/3": ("ratio", 1.1),
    "abi_inclusion_bad_root/0": ("ns", 60),
    "abi_inclusion_threads/1": ("speedup", 1.9),
    "vrf_verify_p256/10": ("ratio", 2.1),
    "keytrans_search/1": ("ratio", 1.02),
    "keytrans_search/2": ("ratio", 1.02),
    "keytrans_search/3": ("ratio", 1.02),
    "checkpoint_verify_policy/1": ("ratio", 1.1),
    "tlog_proof_verify/2": ("ratio", 1.1),
    "checkpoint_verify_3_unused/3": ("ratio", 1.03),
    "tlog_policy_parse_32/4": ("ratio", 0.05),
    "tlog_tiles_verify_inclusion_1e9/1": ("ratio", 1.1),
    # Throughput at least 0.85x the one-thread SHA-256 floor on one thread and
    # 1.8x on two, as time ratios.
    "tiles_audit/1/process_time": ("ratio", 1 / 0.85),
    "tiles_audit/2/process_time/real_time": ("ratio", 1 / 1.8),
}


def target_text(name):
    kind, bound = TARGETS.get(name, (None, None))
    if kind == "ratio":
        return "<= %.2f" % bound
    if kind == "ns":
        return "<= %d ns" % bound
    if kind == "speedup":
        return ">= %.2f" % bound
    return ""


def rows(report):
    cpu, items = defaultdict(list), defaultdict(list)
    for b in report["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        name = b.get("run_name", b["name"]).split("/iterations")[0]
        # Wall-clock time where the benchmark asked for it (work spread over threads).
        t = b["real_time"] if name.endswith("/real_time") else b["cpu_time"]
        cpu[name].append(t * {"ns": 1, "us": 1e3, "ms": 1e6}[b.get("time_unit", "ns")])
        if "items_per_second" in b:
            items[name].append(b["items_per_second"])
    best = {k: min(v) for k, v in cpu.items()}
    floors = {k.split("/", 1)[1]: v for k, v in best.items() if k.startswith("floor_")}
    threaded = defaultdict(dict)
    for name, rates in items.items():
        m = re.match(r"(.*)/real_time/threads:(\d+)$", name)
        if m:
            threaded[m.group(1)][int(m.group(2))] = max(rates)
    for name, t in sorted(best.items()):
        if name.startswith("floor_") or "/threads:" in name:
            continue
        arg = name.split("/", 1)[1] if "/" in name else ""
        floor = floors.get(arg)
        yield name, "%.0f" % t, "%.0f" % floor if floor else "", "%.3f" % (t / floor) if floor else "", target_text(name)
    for name, by_threads in sorted(threaded.items()):
        if 1 in by_threads and 2 in by_threads:
            yield (name + " 2 threads/1", "%.0f/s" % by_threads[2], "%.0f/s" % by_threads[1],
                   "%.3f" % (by_threads[2] / by_threads[1]), target_text(name))


def main():
    reports = []
    for source in sys.argv[1:] or [None]:
        try:
            reports.append(json.load(open(source) if source else sys.stdin))
        except ValueError:
            pass  # a binary whose benchmarks the filter left out

    print("%-44s %14s %14s %8s %10s" % ("operation", "time (ns)", "floor (ns)", "ratio", "target"))
    for report in reports:
        for row in rows(report):
            print("%-44s %14s %14s %8s %10s" % row)


if __name__ == "__main__":
    main()
