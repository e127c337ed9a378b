#!/usr/bin/env python3
"""Throughput of `zeplo batch`: runs per second on 1 and 2 worker threads.

A plan of N runs of one record over the shipped profiles (tri, tri_nd, yb, the
options cycled) is run into a fresh folder with --jobs 1 and --jobs 2. One
run's time is taken two ways: a single `zeplo run` process (median of 11),
and the --jobs 1 batch's time per run. The check: the --jobs 2 batch takes at
most 1.2 x (N x one run's time) / 2, with one run's time the smaller of the
two (the stricter bound).

Usage: bench/batch_throughput.py [--zeplo build/src/zeplo/zeplo] [--runs 200]
       [--record elcentro.txt --record-units g] [--large-runs 20]
The large case is tests/data/dpsurf.txt (32768 samples, cm/s2).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DATA = os.path.join(ROOT, "tests", "data")
PROFILES = ["tri.dat", "tri_nd.dat", "yb.dat"]
OPTIONS = [",,,", "bedrock,integrate,0.1 0.2 20 24,", "input,differentiate,,", "bedrock,,0.05 0.1 30 40,"]


def write_plan(path, record, unit, runs):
    with open(path, "w") as f:
        f.write("name,record,soil,wrt,shape,taper_hz,units,record_units\n")
        for k in range(runs):
            f.write("r%04d,%s,%s,%s,%s\n" % (k, os.path.join(DATA, record), os.path.join(DATA, PROFILES[k % 3]),
                                            OPTIONS[k % len(OPTIONS)], unit))


def timed(args):
    start = time.perf_counter()
    done = subprocess.run(args, capture_output=True, text=True)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(args), done.stderr))
    return elapsed


def case(zeplo, work, record, unit, runs):
    plan = os.path.join(work, "plan-%s.csv" % record)
    write_plan(plan, record, unit, runs)
    single = statistics.median(
        timed([zeplo, "run", "--record", os.path.join(DATA, record), "--soil", os.path.join(DATA, "tri.dat"),
               "--record-units", unit, "--wrt", "input", "--out", os.path.join(work, "single")]) for _ in range(11))
    times = {}
    for jobs in (1, 2):
        out = os.path.join(work, "out-%s-%d" % (record, jobs))
        times[jobs] = timed([zeplo, "batch", plan, "--out", out, "--jobs", str(jobs), "--quiet"])
        shutil.rmtree(out)
    per_run = times[1] / runs
    one = min(single, per_run)
    bound = 1.2 * runs * one / 2
    print("%s, %d runs over %s:" % (record, runs, ", ".join(PROFILES)))
    print("  one run: %.2f ms as a zeplo run process (median of 11), %.2f ms per run in a --jobs 1 batch" % (
        1000 * single, 1000 * per_run))
    for jobs in (1, 2):
        print("  --jobs %d: %.2f s, %.1f runs/s" % (jobs, times[jobs], runs / times[jobs]))
    print("  --jobs 2 against 1.2 x %d x %.2f ms / 2 = %.2f s: %s (speed-up %.2f)" % (
        runs, 1000 * one, bound, "within" if times[2] <= bound else "OVER", times[1] / times[2]))
    return times[2] <= bound


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zeplo", default=os.path.join(ROOT, "build", "src", "zeplo", "zeplo"))
    parser.add_argument("--runs", type=int, default=200)
    parser.add_argument("--record", default="elcentro.txt")
    parser.add_argument("--record-units", default="g")
    parser.add_argument("--large-runs", type=int, default=20)
    args = parser.parse_args()
    zeplo = os.path.abspath(args.zeplo)
    print("%d cores" % os.cpu_count())
    work = tempfile.mkdtemp(prefix="zeplo-batch-bench-")
    try:
        ok = case(zeplo, work, args.record, args.record_units, args.runs)
        if args.large_runs > 0:
            case(zeplo, work, "dpsurf.txt", "cm/s2", args.large_runs)
    finally:
        shutil.rmtree(work)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
