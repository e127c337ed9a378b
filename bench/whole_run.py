#!/usr/bin/env python3
"""Whole-run benchmark of zeplo1 on its largest case.

32768 samples (the Anchorage surface record), 50 layers with damping on, a
band-pass taper and integration. Runs the program N times in a scratch folder
and reports the median wall time and the peak resident memory.

Usage: bench/whole_run.py [--runs N] [--program build/src/driver/zeplo1]
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def soil_file(layers=50):
    """A damped column of 49 soil layers (Vs 150 to 630 m/s) over rock."""
    lines = ["%10.1f" % 0.0, "%10d" % 1, "%10d%10.1f" % (layers, 0.0)]
    for il in range(layers - 1):
        vs = 150.0 + 10.0 * il
        lines.append("%8.1f%8.1f%8.1f%8.1f%8.1f%8.1f" % (1.8, 2 * vs, 20.0, vs, 20.0, 2.0))
    lines.append("%8.1f%8.1f%8.1f%8.1f%8.1f%8.1f" % (2.2, 1600.0, 50.0, 800.0, 50.0, 0.0))
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "src", "driver", "zeplo1"))
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    work = tempfile.mkdtemp(prefix="zeplo-bench-")
    try:
        shutil.copy(os.path.join(ROOT, "tests", "data", "dpsurf.txt"), work)
        with open(os.path.join(work, "deep.dat"), "w") as f:
            f.write(soil_file())
        answers = "dpsurf.txt\ndeep.dat\n1\n1\n1\n0.6 1.2 150. 200.\n".encode()
        times = []
        for _ in range(args.runs):
            start = time.perf_counter()
            done = subprocess.run([program], input=answers, cwd=work, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE)
            times.append(time.perf_counter() - start)
            if done.returncode != 0:
                raise SystemExit("zeplo1 failed: %s" % done.stderr.decode())
        peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        print("whole run, 32768 samples, 50 layers, damping, taper, integration: %d runs" % args.runs)
        print("median wall time %.1f ms (min %.1f, max %.1f)" % (
            1000 * statistics.median(times), 1000 * min(times), 1000 * max(times)))
        print("peak resident memory %.1f MiB" % (peak_kib / 1024.0))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
